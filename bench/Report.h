#pragma once

#include <optional>
#include <string>

#include "bench/PhaseResult.h"

namespace bench {

// One line of the figures table: one side of one case.
struct SideLine {
    std::string caseName;  // "All, empty branch", "Changed, empty branch"
    long long rows = 0;    // headquarters rows (or queued changes) of the case
    std::string table;
    std::string side;  // "default", "bulk", "limit", "baseline"
    PhaseResult result;
    std::optional<double> speedUp;  // the default path's time over this side's
    std::optional<double> ofLimit;  // this side's time over the physical limit's
};

// The figures tables, in Markdown so that they paste into the README as they are.
void printTableHeader();
void printTableRow(const SideLine& line);

// One line of the N-branches table.
struct BranchesLine {
    int branches = 0;
    std::string side;
    long long changesPerStore = 0;
    double wallSeconds = 0;  // from starting the first process to the end of the last
    double medianStoreSeconds = 0;
    double maxStoreSeconds = 0;
    double medianStorePageSeconds = 0;
    long maxPeakRssKiB = 0;         // the largest peak of one branch's process
    std::optional<double> speedUp;  // the default path's wall time over this side's
};
void printBranchesHeader();
void printBranchesRow(const BranchesLine& line);

// A progress line on stderr.
void printProgress(const std::string& what, const PhaseResult& result);

// "nproc 2, load average 1.20 0.90 0.70" for the start and end lines.
std::string machineLoad();

}  // namespace bench
