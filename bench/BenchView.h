#pragma once

#include <string>

#include "engine/RunView.h"

namespace bench {

// The window of a benchmark run: one category ticked, one mode (All unless told),
// no date filter.
// It keeps only the last log line and counts, so that the view itself does not
// grow with the table.
class BenchView : public engine::RunView {
  public:
    explicit BenchView(int category, int mode = engine::kModeAll)
        : category_(category), mode_(mode) {}

    long long logLines() const { return logLines_; }
    const std::string& lastLine() const { return lastLine_; }
    const std::string& lineBeforeLast() const { return lineBeforeLast_; }

    std::string filterDateText() const override { return "    /  /  "; }
    int categoryCount() const override { return 12; }
    bool isCategoryChecked(int index) const override { return index == category_; }
    std::string categoryCaption(int index) const override {
        return "category " + std::to_string(index);
    }
    int downloadMode() const override { return mode_; }
    bool isDateFilterOn() const override { return false; }

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

    int gaugeMax() const override { return gaugeMax_; }
    void setGaugeMax(int value) override { gaugeMax_ = value; }
    int gaugeValue() const override { return gaugeValue_; }
    void setGaugeValue(int value) override { gaugeValue_ = value; }

    void refresh() override {}
    void setBusyCursor(bool) override {}

  private:
    int category_;
    int mode_;
    long long logLines_ = 0;
    std::string lastLine_;
    std::string lineBeforeLast_;
    int gaugeMax_ = 0;
    int gaugeValue_ = 0;
};

}  // namespace bench
