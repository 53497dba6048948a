// olvarin-bench: times a mode-All download of PROD_ITEM and PROD_SALE into an empty
// branch and into a full one, through the engine and through bare client calls.
// Every row count runs in a child process of its own, so that its peak memory is
// its own.
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <exception>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/Platform.h"
#include "bench/BareBaseline.h"
#include "bench/BenchDatabases.h"
#include "bench/BenchOptions.h"
#include "bench/BenchTable.h"
#include "bench/EngineSide.h"
#include "bench/Measure.h"
#include "bench/Report.h"

namespace bench {
namespace {

struct Phases {
    PhaseResult empty;
    PhaseResult full;
};

void expectRows(const char* what, long long found, long long expected) {
    if (found != expected) {
        throw std::runtime_error(std::string(what) + ": " + std::to_string(found) +
                                 " rows on the branch, expected " + std::to_string(expected));
    }
}

std::unique_ptr<BenchDatabases> freshDatabases(const BenchTable& table, long long rows) {
    const Stopwatch w;
    auto databases = std::make_unique<BenchDatabases>(table, rows);
    std::fprintf(stderr, "  headquarters with %lld %s rows in %.1f s (%s)\n", rows, table.name,
                 w.seconds(), databases->folder().c_str());
    return databases;
}

// Times download() into the empty branch, edits every headquarters row, and times
// it again into the full branch; checks the branch after each.
template <typename Download>
Phases emptyThenFull(BenchDatabases& databases, const BenchTable& table, long long rows,
                     const std::string& side, Download&& download) {
    const long long copied = table.rowsCopied(rows);
    Phases p;
    const bool perPhasePeak = resetPeakRss();
    long long writes = databases.branchPageWrites();
    p.empty = download();
    p.empty.peakRssKiB = peakRssKiB();
    p.empty.branchPageWrites = databases.branchPageWrites() - writes;
    printProgress(side + " " + table.name + " empty branch", p.empty);
    expectRows("after the first download", databases.branchRowCount(), copied);

    databases.editEverySourceRow();
    if (perPhasePeak) resetPeakRss();
    writes = databases.branchPageWrites();
    p.full = download();
    p.full.peakRssKiB = peakRssKiB();
    p.full.branchPageWrites = databases.branchPageWrites() - writes;
    printProgress(side + " " + table.name + " full branch", p.full);
    expectRows("edited rows after the second download", databases.branchEditedRowCount(), copied);
    return p;
}

Phases measureEngine(const BenchTable& table, long long rows, const base::SharedLibrary& timing) {
    auto databases = freshDatabases(table, rows);
    const auto times =
        reinterpret_cast<OlvBenchStatementTimesFunc>(timing.symbol("olvBenchStatementTimes"));
    if (!times) throw std::runtime_error("the timing driver exports no olvBenchStatementTimes");
    EngineSide engine(*databases, table, OLVARIN_TIMING_DRIVER, times);
    return emptyThenFull(*databases, table, rows, "engine", [&] { return engine.download(); });
}

Phases measureBaseline(const BenchTable& table, long long rows) {
    auto databases = freshDatabases(table, rows);
    BareBaseline baseline(databases->sourcePath(), databases->targetPath(), table);
    return emptyThenFull(*databases, table, rows, "baseline", [&] { return baseline.download(); });
}

void printTable(long long rows, const BenchTable& table, const std::string& label,
                const Phases& engine, const std::optional<Phases>& baseline) {
    auto ratio = [&](const PhaseResult& e, const PhaseResult* b) -> std::optional<double> {
        if (!b || b->rowsPerSecond() <= 0) return std::nullopt;
        return e.rowsPerSecond() / b->rowsPerSecond();
    };
    printTableRow(rows, table.name, "empty", "engine" + label, engine.empty,
                  ratio(engine.empty, baseline ? &baseline->empty : nullptr));
    printTableRow(rows, table.name, "full", "engine" + label, engine.full,
                  ratio(engine.full, baseline ? &baseline->full : nullptr));
    if (!baseline) return;
    printTableRow(rows, table.name, "empty", "baseline" + label, baseline->empty, std::nullopt);
    printTableRow(rows, table.name, "full", "baseline" + label, baseline->full, std::nullopt);
}

// The measurement of median duration, phase by phase.
PhaseResult median(std::vector<PhaseResult> results) {
    std::sort(results.begin(), results.end(),
              [](const PhaseResult& a, const PhaseResult& b) { return a.seconds < b.seconds; });
    return results[results.size() / 2];
}

Phases median(const std::vector<Phases>& runs) {
    std::vector<PhaseResult> empty, full;
    for (const auto& p : runs) {
        empty.push_back(p.empty);
        full.push_back(p.full);
    }
    return {median(empty), median(full)};
}

void measureTable(long long rows, const BenchTable& table, const BenchOptions& options,
                  const base::SharedLibrary& timing) {
    std::vector<Phases> engineRuns, baselineRuns;
    for (int r = 1; r <= options.repeat; ++r) {
        engineRuns.push_back(measureEngine(table, rows, timing));
        std::optional<Phases> baseline;
        if (!options.skipBaseline) {
            baseline = measureBaseline(table, rows);
            baselineRuns.push_back(*baseline);
        }
        const std::string label = options.repeat > 1 ? " #" + std::to_string(r) : "";
        printTable(rows, table, label, engineRuns.back(), baseline);
    }
    if (options.repeat == 1) return;
    std::optional<Phases> baseline;
    if (!baselineRuns.empty()) baseline = median(baselineRuns);
    printTable(rows, table, " median", median(engineRuns), baseline);
}

// The child process of one row count: the engine and, beside it, the baseline.
int measureRowCount(long long rows, const BenchOptions& options) {
    try {
        base::SharedLibrary timing;  // held so that its totals outlive every connection
        if (!timing.load(OLVARIN_TIMING_DRIVER)) {
            throw std::runtime_error("cannot load " + std::string(OLVARIN_TIMING_DRIVER) + ": " +
                                     timing.lastError());
        }
        for (const auto& name : options.tables) measureTable(rows, benchTable(name), options, timing);
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "olvarin-bench: %s\n", e.what());
        return 1;
    }
}

int runInChild(long long rows, const BenchOptions& options) {
    std::fflush(stdout);
    std::fflush(stderr);
    const pid_t pid = fork();
    if (pid < 0) {
        std::perror("fork");
        return 1;
    }
    if (pid == 0) {
        const int rc = measureRowCount(rows, options);
        std::fflush(stdout);
        std::exit(rc);
    }
    int status = 0;
    if (waitpid(pid, &status, 0) < 0) return 1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}

}  // namespace
}  // namespace bench

int main(int argc, char** argv) {
    using namespace bench;
    BenchOptions options;
    try {
        options = parseOptions(argc, argv);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "olvarin-bench: %s\n%s", e.what(), usageText());
        return 2;
    }
    if (options.help) {
        std::printf("%s", usageText());
        return 0;
    }
    std::printf("olvarin-bench: mode All, embedded databases, branch forced writes on; %s\n\n",
                machineLoad().c_str());
    printTableHeader();
    int failures = 0;
    for (long long rows : options.rowCounts) {
        std::fprintf(stderr, "rows %lld:\n", rows);
        if (runInChild(rows, options) != 0) ++failures;
    }
    std::printf("\nolvarin-bench: done; %s\n", machineLoad().c_str());
    return failures == 0 ? 0 : 1;
}
