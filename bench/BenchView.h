#pragma once

#include <string>

#include "engine/RunReport.h"

namespace bench {

// What a benchmark run tells the window: it keeps only the last log lines and
// counts, so that it does not grow with the table.
class BenchView : public engine::RunReport {
  public:
    long long logLines() const { return logLines_; }
    const std::string& lastLine() const { return lastLine_; }
    const std::string& lineBeforeLast() const { return lineBeforeLast_; }

    void clearLog() override {
        logLines_ = 0;
        lastLine_.clear();
        lineBeforeLast_.clear();
    }
    void appendLog(const std::string& line) override {
        ++logLines_;
        lineBeforeLast_ = std::move(lastLine_);
        lastLine_ = line;
    }
    void setGauge(int, int) override {}
    void refresh() override {}
    void setBusyCursor(bool) override {}

  private:
    long long logLines_ = 0;
    std::string lastLine_;
    std::string lineBeforeLast_;
};

}  // namespace bench
