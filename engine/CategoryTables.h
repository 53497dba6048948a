#pragma once

#include "engine/RunContext.h"

namespace engine {

// The branches of the category and packaging tables: the whole source table
// mirrored into the target in modes All and Changed alike; nothing in Specified.
void downloadTopCategories(RunContext& run);     // PROD_TOPITEM
void downloadMiddleCategories(RunContext& run);  // PROD_HIITEM
void downloadSmallCategories(RunContext& run);   // PROD_ITEM, pages of 100
void downloadPackaging(RunContext& run);         // PROD_SALE, pages of 10, date filter

}  // namespace engine
