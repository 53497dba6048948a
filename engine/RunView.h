#pragma once

#include <string>

namespace engine {

// The download modes of the mode radio group (its item index).
enum DownloadMode { kModeAll = 0, kModeChanged = 1, kModeSpecified = 2 };

// What a download run needs of the main window. The window implements it; tests
// use a plain object. All calls come from the user-interface thread.
class RunView {
  public:
    virtual ~RunView() = default;

    // MaskEdit1's text as it stands ("2005/03/01", or "    /  /  " when empty).
    virtual std::string filterDateText() const = 0;
    // The check list bsSkinCheckGroup1.
    virtual int categoryCount() const = 0;
    virtual bool isCategoryChecked(int index) const = 0;  // false outside the list
    virtual std::string categoryCaption(int index) const = 0;
    // bsSkinRadioGroup1's item index.
    virtual int downloadMode() const = 0;
    // CheckBox2 ("指定日期").
    virtual bool isDateFilterOn() const = 0;

    // Memo1.
    virtual void clearLog() = 0;
    virtual void appendLog(const std::string& line) = 0;

    // bsSkinGauge1.
    virtual int gaugeMax() const = 0;
    virtual void setGaugeMax(int value) = 0;
    virtual int gaugeValue() const = 0;
    virtual void setGaugeValue(int value) = 0;

    // Repaints the whole window at once, even while a run holds the thread.
    virtual void refresh() = 0;
    // The busy cursor of the bill copy (true: busy, false: default).
    virtual void setBusyCursor(bool busy) = 0;
};

}  // namespace engine
