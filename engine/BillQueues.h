#pragma once

#include "engine/RunContext.h"

namespace engine {

// The branches of the five bill kinds: in Changed the store's wait queue of the
// kind, each claimed bill copied whole into the branch; nothing in All and
// Specified. Price-change bills then apply the due price changes in every mode.
void downloadPromotionBills(RunContext& run);    // PSALE
void downloadWholesaleBills(RunContext& run);    // PTSALE
void downloadPriceChangeBills(RunContext& run);  // CHGPRICE, then the price changes
void downloadQuotations(RunContext& run);        // QUOT
void downloadVendorDiscounts(RunContext& run);   // INPROMOTION

}  // namespace engine
