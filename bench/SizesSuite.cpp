// Mode All into an empty branch, per table and row count: the default path, the
// bulk path and the physical limit side by side, each on fresh databases.
#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/BareBaseline.h"
#include "bench/BenchDatabases.h"
#include "bench/BenchTable.h"
#include "bench/ChildProcess.h"
#include "bench/EngineSide.h"
#include "bench/Measure.h"
#include "bench/PhysicalLimit.h"
#include "bench/Report.h"
#include "bench/Suites.h"
#include "bench/TimingModule.h"

namespace bench {
namespace {

struct Phases {
    PhaseResult empty;
    std::optional<PhaseResult> full;
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

// One timed download with its own peak memory and the branch's page writes.
template <typename Download>
PhaseResult timedPhase(BenchDatabases& databases, const std::string& what, Download&& download) {
    resetPeakRss();  // where the system refuses, the peak is the process's so far
    const long long writes = databases.branchPageWrites();
    PhaseResult r = download();
    r.peakRssKiB = peakRssKiB();
    r.branchPageWrites = databases.branchPageWrites() - writes;
    printProgress(what, r);
    return r;
}

// Times download() into the empty branch and, when full is set, edits every
// headquarters row and times it again into the full branch; checks the branch
// after each.
template <typename Download>
Phases emptyThenFull(BenchDatabases& databases, const BenchTable& table, long long rows,
                     const std::string& side, bool full, Download&& download) {
    const long long copied = table.rowsCopied(rows);
    Phases p;
    p.empty = timedPhase(databases, side + " " + table.name + " empty branch", download);
    expectRows("after the first download", databases.branchRowCount(), copied);
    if (!full) return p;
    databases.editEverySourceRow();
    p.full = timedPhase(databases, side + " " + table.name + " full branch", download);
    expectRows("edited rows after the second download", databases.branchEditedRowCount(), copied);
    return p;
}

Phases measureEngine(const BenchTable& table, long long rows, bool bulk, bool full,
                     const TimingModule& timing) {
    auto databases = freshDatabases(table, rows);
    EngineSide engine(databases->registry(OLVARIN_TIMING_DRIVER), table, {.bulk = bulk},
                      timing.times());
    return emptyThenFull(*databases, table, rows, bulk ? "bulk" : "default", full,
                         [&] { return engine.download(); });
}

Phases measureBaseline(const BenchTable& table, long long rows, bool full) {
    auto databases = freshDatabases(table, rows);
    BareBaseline baseline(databases->sourcePath(), databases->targetPath(), table);
    return emptyThenFull(*databases, table, rows, "baseline", full,
                         [&] { return baseline.download(); });
}

// The physical limit inserts, so it runs into the empty branch only.
Phases measureLimit(const BenchTable& table, long long rows) {
    auto databases = freshDatabases(table, rows);
    PhysicalLimit limit(databases->sourcePath(), databases->targetPath(), table.name);
    return emptyThenFull(*databases, table, rows, "limit", false, [&] {
        return limit.download(std::string("SELECT * FROM ") + table.name);
    });
}

PhaseResult median(std::vector<PhaseResult> results) {
    std::sort(results.begin(), results.end(),
              [](const PhaseResult& a, const PhaseResult& b) { return a.seconds < b.seconds; });
    return results[results.size() / 2];
}

// The sides in the order they run and print.
std::vector<std::string> sidesOf(long long rows, const BenchOptions& options) {
    std::vector<std::string> sides;
    if (rows <= options.defaultCap) sides.push_back("default");
    sides.push_back("bulk");
    sides.push_back("limit");
    if (options.baseline) sides.push_back("baseline");
    return sides;
}

Phases measureSide(const std::string& side, const BenchTable& table, long long rows,
                   const BenchOptions& options, const TimingModule& timing) {
    if (side == "default") return measureEngine(table, rows, false, options.full, timing);
    if (side == "bulk") return measureEngine(table, rows, true, options.full, timing);
    if (side == "baseline") return measureBaseline(table, rows, options.full);
    return measureLimit(table, rows);
}

void printPhase(const char* caseName, long long rows, const BenchTable& table,
                const std::vector<std::string>& sides,
                const std::map<std::string, PhaseResult>& results, const std::string& label) {
    const auto seconds = [&](const char* side) -> std::optional<double> {
        const auto at = results.find(side);
        if (at == results.end() || at->second.seconds <= 0) return std::nullopt;
        return at->second.seconds;
    };
    for (const auto& side : sides) {
        const auto at = results.find(side);
        if (at == results.end()) continue;
        SideLine line{caseName, rows, table.name, side + label, at->second, {}, {}};
        if (const auto d = seconds("default"); d && side != "default")
            line.speedUp = *d / at->second.seconds;
        if (const auto l = seconds("limit"); l && side != "limit")
            line.ofLimit = at->second.seconds / *l;
        printTableRow(line);
    }
}

void measureTable(long long rows, const BenchTable& table, const BenchOptions& options,
                  const TimingModule& timing) {
    const auto sides = sidesOf(rows, options);
    std::map<std::string, std::vector<Phases>> runs;
    for (int r = 0; r < options.repeat; ++r) {
        for (const auto& side : sides)
            runs[side].push_back(measureSide(side, table, rows, options, timing));
    }
    std::map<std::string, PhaseResult> empty, full;
    for (const auto& [side, phases] : runs) {
        std::vector<PhaseResult> e, f;
        for (const auto& p : phases) {
            e.push_back(p.empty);
            if (p.full) f.push_back(*p.full);
        }
        empty[side] = median(e);
        if (!f.empty()) full[side] = median(f);
    }
    const std::string label =
        options.repeat > 1 ? " (median of " + std::to_string(options.repeat) + ")" : "";
    printPhase("All, empty branch", rows, table, sides, empty, label);
    if (!full.empty()) printPhase("All, full branch", rows, table, sides, full, label);
}

}  // namespace

int runSizesSuite(const BenchOptions& options) {
    int failures = 0;
    for (long long rows : options.rowCounts) {
        std::fprintf(stderr, "sizes, %lld rows:\n", rows);
        failures += runInChild([&] {
                        const TimingModule timing;
                        for (const auto& name : options.tables)
                            measureTable(rows, benchTable(name), options, timing);
                        return 0;
                    }) != 0;
    }
    return failures;
}

}  // namespace bench
