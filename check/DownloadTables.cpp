#include "check/DownloadTables.h"

#include "base/DateTimeFormat.h"

namespace check {
namespace {

using enum BranchRule;

constexpr DownloadTable kTables[] = {
    {"PROD_TOPITEM", LeadingColumns, false, true},
    {"PROD_HIITEM", LeadingColumns, false, true},
    {"PROD_ITEM", LeadingColumns, false, true},
    {"PRODUCT", KnownColumns, true, true},
    {"PROD_SALE", LeadingColumns, false, true},
    {"PROVIDER", KnownColumns, true, true},
    {"CUSTOMER", SameColumns, true, true},
    {"PSALE_MASTER", BillColumns, false, false},
    {"PSALE_SUB", BillColumns, false, false},
    {"PTSALE_MASTER", BillColumns, false, false},
    {"PTSALE_SUB", BillColumns, false, false},
    {"CHGPRICE_MASTER", BillColumns, false, false},
    {"CHGPRICE_SUB", BillColumns, false, false},
    {"QUOT_MASTER", BillColumns, false, false},
    {"QUOT_SUB", BillColumns, false, false},
    {"INPROMOTION_MASTER", BillColumns, false, false},
    {"INPROMOTION_SUB", BillColumns, false, false},
};

constexpr WaitQueue kQueues[] = {
    {"PRODUCT_WAIT", "PROD_ID"},     {"PROVIDER_WAIT", "PROVIDER_ID"},
    {"CUSTOMER_WAIT", "CUST_ID"},    {"PSALE_WAIT", "MASTERBILLID"},
    {"PTSALE_WAIT", "MASTERBILLID"}, {"CHGPRICE_WAIT", "MASTERBILLID"},
    {"QUOT_WAIT", "MASTERBILLID"},   {"INPROMOTION_WAIT", "MASTERBILLID"},
};

constexpr TextDateColumn kTextDates[] = {
    {"CHG_DATE", base::kShortDatePattern},
    {"CHG_TIME", base::kLongTimePattern},
    {"CHGPRICE_DATE", base::kShortDatePattern},
};

constexpr const char* kQueueColumns[] = {kStoreColumn, "STATE", kClaimColumn};

}  // namespace

std::span<const DownloadTable> downloadTables() {
    return kTables;
}
std::span<const WaitQueue> waitQueues() {
    return kQueues;
}
std::span<const TextDateColumn> textDateColumns() {
    return kTextDates;
}
std::span<const char* const> queueColumns() {
    return kQueueColumns;
}

}  // namespace check
