#pragma once

#include <string>

namespace engine {

// What a run tells the window while it works. The window implements it; tests and
// the benchmark use plain objects. All calls come from the user-interface thread.
class RunReport {
  public:
    virtual ~RunReport() = default;

    // Memo1.
    virtual void clearLog() = 0;
    virtual void appendLog(const std::string& line) = 0;
    // bsSkinGauge1: value of maximum rows handled.
    virtual void setGauge(int value, int maximum) = 0;
    // Repaints the whole window at once, even while a run holds the thread.
    virtual void refresh() = 0;
    // The busy cursor of the bill copy (true: busy, false: default).
    virtual void setBusyCursor(bool busy) = 0;
};

}  // namespace engine
