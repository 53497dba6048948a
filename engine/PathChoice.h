#pragma once

#include "engine/RunContext.h"

namespace engine {

// Sets the path of the category about to run (run.category) from the request's Bulk
// Download choice. Off and On: the same path for every category, nothing logged.
// Auto, in modes All and Changed, takes the bulk path when
// - the category's branch table is empty (a first load);
// - the category is run whole (mode All, or a table without a wait queue) and the
//   branch table holds more than the threshold rows (headquarters' table is read
//   whole in every run);
// - in mode Changed, the store has more than the threshold rows in the category's
//   wait queue (a chain-wide change), or none at all, so that an idle queue costs
//   headquarters only the count that found it empty;
// and the default path otherwise. Auto logs one line saying which path and why.
void choosePath(RunContext& run);

}  // namespace engine
