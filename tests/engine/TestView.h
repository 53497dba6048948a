#pragma once

#include <array>
#include <string>
#include <vector>

#include "engine/Categories.h"
#include "engine/RunReport.h"
#include "engine/RunRequest.h"

namespace testsupport {

// A plain window for engine tests: the controls a run is asked from, and the log
// and gauge it writes, as public members.
struct TestView : engine::RunReport {
    std::array<bool, engine::kCategoryCount> ticked{};
    int mode = engine::kModeChanged;
    bool dateFilterOn = false;
    std::string filterDate = "    /  /  ";
    std::vector<std::string> lines;
    int gaugeMaximum = 100;
    int gauge = 50;
    int refreshes = 0;
    std::vector<std::pair<int, int>> gaugeStarts;  // (maximum, value before) at every start
    int busyCursorDepth = 0;

    void tickOnly(std::initializer_list<int> indexes) {
        ticked.fill(false);
        for (int i : indexes) ticked[static_cast<size_t>(i)] = true;
    }
    // The request a run started now takes from these controls.
    engine::RunRequest request(const std::string& storeId,
                               engine::BulkDownload bulk = engine::BulkDownload::Off,
                               long long bulkThreshold = engine::kDefaultBulkThreshold) const {
        return {.storeId = storeId,
                .mode = mode,
                .ticked = ticked,
                .dateFilterOn = dateFilterOn,
                .filterDate = filterDate,
                .bulk = bulk,
                .bulkThreshold = bulkThreshold};
    }

    void clearLog() override { lines.clear(); }
    void appendLog(const std::string& line) override { lines.push_back(line); }
    void setGauge(int value, int maximum) override {
        if (value == 0) gaugeStarts.emplace_back(maximum, gauge);
        gauge = value;
        gaugeMaximum = maximum;
    }
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
