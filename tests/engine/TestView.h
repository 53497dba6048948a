#pragma once

#include <array>
#include <string>
#include <vector>

#include "engine/Categories.h"
#include "engine/RunView.h"

namespace testsupport {

// A plain window for engine tests: the controls a run reads, and the log and
// gauge it writes, as public members.
struct TestView : engine::RunView {
    std::array<bool, 12> ticked{};
    int mode = engine::kModeChanged;
    bool dateFilterOn = false;
    std::string filterDate = "    /  /  ";
    std::vector<std::string> lines;
    int gaugeMaximum = 100;
    int gauge = 50;
    int refreshes = 0;
    std::vector<std::pair<int, int>> gaugeStarts;  // (maximum, value) at every maximum set
    int busyCursorDepth = 0;

    void tickOnly(std::initializer_list<int> indexes) {
        ticked.fill(false);
        for (int i : indexes) ticked[static_cast<size_t>(i)] = true;
    }

    std::string filterDateText() const override { return filterDate; }
    int categoryCount() const override { return 12; }
    bool isCategoryChecked(int i) const override {
        return i >= 0 && i < 12 && ticked[static_cast<size_t>(i)];
    }
    std::string categoryCaption(int i) const override {
        return engine::categories()[static_cast<size_t>(i)].caption;
    }
    int downloadMode() const override { return mode; }
    bool isDateFilterOn() const override { return dateFilterOn; }
    void clearLog() override { lines.clear(); }
    void appendLog(const std::string& line) override { lines.push_back(line); }
    int gaugeMax() const override { return gaugeMaximum; }
    void setGaugeMax(int v) override {
        gaugeMaximum = v;
        gaugeStarts.emplace_back(v, gauge);
    }
    int gaugeValue() const override { return gauge; }
    void setGaugeValue(int v) override { gauge = v; }
    void refresh() override { ++refreshes; }
    void setBusyCursor(bool busy) override { busyCursorDepth += busy ? 1 : -1; }

    // The log lines after the header pair of the first ticked category and before "Done...".
    std::vector<std::string> branchLines() const {
        std::vector<std::string> out;
        for (size_t i = 2; i < lines.size(); ++i) {
            if (lines[i] == "Done...") break;
            out.push_back(lines[i]);
        }
        return out;
    }
};

}  // namespace testsupport
