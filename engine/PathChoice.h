#pragma once

#include "engine/DownloadRun.h"
#include "engine/RunContext.h"

namespace engine {

// Sets the path of the category about to run (run.category) from the run's Bulk
// Download choice. Off and On: the same path for every category, nothing logged.
// Auto, in modes All and Changed: the bulk path when the category's branch table is
// empty (a first load), or in mode Changed when the store has more than the
// threshold rows in the category's wait queue (a chain-wide change) or none at all
// (so that the bulk path's idle run costs headquarters only that count); the
// default path otherwise. Auto logs one line saying which path and why.
void choosePath(RunContext& run, const RunOptions& options);

}  // namespace engine
