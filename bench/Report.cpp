#include "bench/Report.h"

#include <unistd.h>

#include <cstdio>
#include <fstream>

namespace bench {
namespace {

std::string ratioText(const std::optional<double>& ratio) {
    if (!ratio) return "";
    char text[32];
    std::snprintf(text, sizeof text, "%.2fx", *ratio);
    return text;
}

}  // namespace

void printTableHeader() {
    std::printf(
        "| case | rows | table | side | s | rows/s | default/this | this/limit | page s "
        "| page s per 1k rows | keyed SELECT s | write s | commit s | prepare s | page writes/row "
        "| peak RSS MiB |\n");
    std::printf("|---|---:|---|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n");
    std::fflush(stdout);
}

void printTableRow(const SideLine& l) {
    const PhaseResult& r = l.result;
    const double pagePerThousand = r.rows > 0 ? 1000 * r.pageSeconds / r.rows : 0;
    std::printf(
        "| %s | %lld | %s | %s | %.2f | %.0f | %s | %s | %.2f | %.3f | %.1f | %.2f | %.2f | %.2f "
        "| %.2f | %.1f |\n",
        l.caseName.c_str(), l.rows, l.table.c_str(), l.side.c_str(), r.seconds, r.rowsPerSecond(),
        ratioText(l.speedUp).c_str(), ratioText(l.ofLimit).c_str(), r.pageSeconds, pagePerThousand,
        r.keyedSeconds, r.writeSeconds, r.commitSeconds, r.prepareSeconds, r.pageWritesPerRow(),
        r.peakRssKiB / 1024.0);
    std::fflush(stdout);
}

void printBranchesHeader() {
    std::printf(
        "| branches | side | changes per store | wall s | per-store s median | per-store s max "
        "| per-store page s median | rows/s all stores | default/this (wall) "
        "| peak RSS per branch MiB (max) |\n");
    std::printf("|---:|---|---:|---:|---:|---:|---:|---:|---:|---:|\n");
    std::fflush(stdout);
}

void printBranchesRow(const BranchesLine& l) {
    const double rowsPerSecond =
        l.wallSeconds > 0 ? l.branches * double(l.changesPerStore) / l.wallSeconds : 0;
    std::printf("| %d | %s | %lld | %.2f | %.2f | %.2f | %.2f | %.0f | %s | %.1f |\n", l.branches,
                l.side.c_str(), l.changesPerStore, l.wallSeconds, l.medianStoreSeconds,
                l.maxStoreSeconds, l.medianStorePageSeconds, rowsPerSecond,
                ratioText(l.speedUp).c_str(), l.maxPeakRssKiB / 1024.0);
    std::fflush(stdout);
}

void printProgress(const std::string& what, const PhaseResult& r) {
    std::fprintf(stderr,
                 "  %-34s %7lld rows %7.2f s %6.0f rows/s  page %6.2f s (%2.0f%%)  keyed %6.1f s  "
                 "write %6.2f s  commit %5.2f s  %.2f page writes/row  peak %.1f MiB\n",
                 what.c_str(), r.rows, r.seconds, r.rowsPerSecond(), r.pageSeconds,
                 100 * r.pageShare(), r.keyedSeconds, r.writeSeconds, r.commitSeconds,
                 r.pageWritesPerRow(), r.peakRssKiB / 1024.0);
}

std::string machineLoad() {
    std::string load;
    std::getline(std::ifstream("/proc/loadavg"), load);
    return "nproc " + std::to_string(sysconf(_SC_NPROCESSORS_ONLN)) + ", load average " +
           load.substr(0, load.find(' ', load.find(' ', load.find(' ') + 1) + 1));
}

}  // namespace bench
