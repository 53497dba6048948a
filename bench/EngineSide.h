#pragma once

#include <memory>
#include <string>

#include "bench/BenchDatabases.h"
#include "bench/BenchTable.h"
#include "bench/PhaseResult.h"
#include "bench/StatementTimes.h"
#include "engine/FormData.h"
#include "engine/RunRequest.h"

namespace bench {

// How the engine runs: the default path or the bulk path, the mode, the store.
struct EngineRun {
    bool bulk = false;
    int mode = engine::kModeAll;
    std::string storeId = "001";
};

// The download as the program runs it: engine::runDownload with one category
// ticked, through the program's connections, datasets and driver. The driver module
// is the timing wrapper, whose totals split the time by kind of statement.
class EngineSide {
  public:
    EngineSide(const db::RegistryFiles& registry, const BenchTable& table, EngineRun how,
               OlvBenchStatementTimesFunc times);

    // One run; its connections stay open for the next, as in the program.
    PhaseResult download();

  private:
    const BenchTable& table_;
    EngineRun how_;
    OlvBenchStatementTimesFunc times_;
    engine::FormData data_;
};

}  // namespace bench
