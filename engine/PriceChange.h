#pragma once

#include "engine/RunContext.h"

namespace engine {

// Applies the due price changes of the branch: the lines of CHGPRICE_SUB dated
// today or earlier and not applied yet are marked 'W', each one's new prices are
// written into its product of PRODUCT, and then every 'W' line is marked 'Y'.
// Works on the target only; writes nothing to the log.
//
// A failure while applying a line ends the application without the closing mark:
// the products updated so far keep their new prices, and every line still 'W' is
// applied again by the next application (which does no harm to one applied already).
void applyPriceChanges(RunContext& run);

}  // namespace engine
