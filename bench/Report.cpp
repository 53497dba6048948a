#include "bench/Report.h"

#include <unistd.h>

#include <cstdio>
#include <fstream>

namespace bench {

void printTableHeader() {
    std::printf("| rows | table | branch | side | s | rows/s | engine/baseline | page s | page share "
                "| keyed SELECT s | write s | prepare s | page writes/row | peak RSS MiB |\n");
    std::printf("|---:|---|---|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n");
    std::fflush(stdout);
}

void printTableRow(long long rows, const std::string& table, const std::string& branch,
                   const std::string& side, const PhaseResult& r, std::optional<double> ratio) {
    char ratioText[32] = "";
    if (ratio) std::snprintf(ratioText, sizeof ratioText, "%.2fx", *ratio);
    std::printf("| %lld | %s | %s | %s | %.1f | %.0f | %s | %.1f | %.0f%% | %.1f | %.1f | %.1f | %.1f | %.1f |\n",
                rows, table.c_str(), branch.c_str(), side.c_str(), r.seconds, r.rowsPerSecond(),
                ratioText, r.pageSeconds, 100 * r.pageShare(), r.keyedSeconds, r.writeSeconds,
                r.prepareSeconds, r.pageWritesPerRow(), r.peakRssKiB / 1024.0);
    std::fflush(stdout);
}

void printProgress(const std::string& what, const PhaseResult& r) {
    std::fprintf(stderr,
                 "  %-34s %7lld rows %7.1f s %6.0f rows/s  page %6.1f s (%2.0f%%)  keyed %6.1f s  "
                 "write %6.1f s  %.1f page writes/row  peak %.1f MiB\n",
                 what.c_str(), r.rows, r.seconds, r.rowsPerSecond(), r.pageSeconds,
                 100 * r.pageShare(), r.keyedSeconds, r.writeSeconds, r.pageWritesPerRow(),
                 r.peakRssKiB / 1024.0);
}

std::string machineLoad() {
    std::string load;
    std::getline(std::ifstream("/proc/loadavg"), load);
    return "nproc " + std::to_string(sysconf(_SC_NPROCESSORS_ONLN)) + ", load average " +
           load.substr(0, load.find(' ', load.find(' ', load.find(' ') + 1) + 1));
}

}  // namespace bench
