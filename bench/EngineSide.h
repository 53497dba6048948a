#pragma once

#include <memory>
#include <string>

#include "bench/BenchDatabases.h"
#include "bench/BenchTable.h"
#include "bench/PhaseResult.h"
#include "bench/StatementTimes.h"
#include "engine/FormData.h"

namespace bench {

// The download as the program runs it: engine::runDownload with one category
// ticked, through the program's connections, datasets and driver. The driver module
// is the timing wrapper, whose totals split the time by kind of statement.
class EngineSide {
public:
    EngineSide(BenchDatabases& databases, const BenchTable& table, const std::string& timingDriver,
               OlvBenchStatementTimesFunc times);

    // One run; its connections stay open for the next, as in the program.
    PhaseResult download();

private:
    const BenchTable& table_;
    OlvBenchStatementTimesFunc times_;
    engine::FormData data_;
};

}  // namespace bench
