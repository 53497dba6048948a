#pragma once

#include <functional>
#include <string>

#include "db/ClientDataSet.h"
#include "engine/RunContext.h"
#include "engine/StatementText.h"

namespace engine {

enum class PageLog {
    AsSentBeforeTest,    // every page statement, the final empty one included
    LowerCaseAfterTest,  // only statements of pages that held rows, in lower case
};

// The page statements of a scan, as stored texts for expandStatement(). The
// filtered forms, when present, are used for every page built while the date
// filter is on.
struct PageStatements {
    const char* firstPage;
    const char* laterPage;
    const char* firstPageFiltered = nullptr;
    const char* laterPageFiltered = nullptr;
};

// How one use pages through a source result.
struct PagedScanSpec {
    PageStatements statements;
    int pageSize;
    long long pageBound;  // the page number at which the scan stops without an empty page
    PageLog log;
    const char* endMessage;
    bool refreshAfterPage;
};

// The page bounds of the scans: pages of ten stop at page 100001, pages of a
// hundred at page 1001, a hundred thousand pages either way.
inline constexpr long long kBoundOfTens = 100001;
inline constexpr long long kBoundOfHundreds = 1001;

enum class ScanEnd { EmptyPage, PageBound };

// Reads pages with FIRST/SKIP into pages until an empty page or the page bound,
// running forEachRow on every row (the page's current row). Logs and moves the
// gauge as the run's protocol says. Returns how the scan ended.
ScanEnd runPagedScan(RunContext& run, db::ClientDataSet& pages, const PagedScanSpec& scan,
                     const StatementValues& values, const std::function<void()>& forEachRow);

}  // namespace engine
