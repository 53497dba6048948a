#pragma once

// The time the download spends in the driver, by kind of statement, as the timing
// driver module (StatementTimingDriver.cpp) adds it up. The benchmark loads that
// module itself, reads the totals through olvBenchStatementTimes() and takes the
// difference around a run.
namespace bench {

// kCommit: the commits of explicit transactions (the bulk path's one per page); an
// autocommit write's commit happens inside its execute and counts as kWrite.
enum StatementKind { kPageQuery, kKeyedSelect, kWrite, kCommit, kStatementKinds };

struct StatementTimes {
    double prepareSeconds[kStatementKinds] = {};
    // Opening, fetching, executing and freeing (an autocommit write's commit
    // happens inside its execute).
    double runSeconds[kStatementKinds] = {};
    long long runs[kStatementKinds] = {};

    double seconds(StatementKind kind) const { return prepareSeconds[kind] + runSeconds[kind]; }

    StatementTimes minus(const StatementTimes& earlier) const {
        StatementTimes d;
        for (int k = 0; k < kStatementKinds; ++k) {
            d.prepareSeconds[k] = prepareSeconds[k] - earlier.prepareSeconds[k];
            d.runSeconds[k] = runSeconds[k] - earlier.runSeconds[k];
            d.runs[k] = runs[k] - earlier.runs[k];
        }
        return d;
    }
};

}  // namespace bench

extern "C" {
// Exported by the timing driver module: its running totals, never null.
typedef const bench::StatementTimes* (*OlvBenchStatementTimesFunc)();
}
