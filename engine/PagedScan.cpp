#include "engine/PagedScan.h"

#include "base/Text.h"

namespace engine {
namespace {

std::string pageStatement(RunContext& run, const PagedScanSpec& scan, StatementValues values,
                          long long page) {
    const PageStatements& s = scan.statements;
    const bool filtered = s.firstPageFiltered && run.request.dateFilterOn;
    const char* stored = page == 0 ? (filtered ? s.firstPageFiltered : s.firstPage)
                                   : (filtered ? s.laterPageFiltered : s.laterPage);
    values.offset = page * scan.pageSize;
    return expandStatement(stored, values);
}

}  // namespace

ScanEnd runPagedScan(RunContext& run, db::ClientDataSet& pages, const PagedScanSpec& scan,
                     const StatementValues& values, const std::function<void()>& forEachRow) {
    const long long bound = run.pageBoundCap > 0 && run.pageBoundCap < scan.pageBound
                                ? run.pageBoundCap
                                : scan.pageBound;
    for (long long page = 0; page < bound; ++page) {
        pages.close();
        pages.setCommandText(pageStatement(run, scan, values, page));
        pages.open();
        if (scan.log == PageLog::AsSentBeforeTest) run.log(pages.commandText());
        if (pages.recordCount() == 0) {
            run.log(scan.endMessage);
            return ScanEnd::EmptyPage;
        }
        if (scan.log == PageLog::LowerCaseAfterTest) run.log(base::asciiLower(pages.commandText()));

        run.startGauge(pages.recordCount());
        pages.disableControls();  // the walk's protocol; no control is bound to a dataset
        for (pages.first(); !pages.eof(); pages.next()) {
            run.stepGauge();
            forEachRow();
        }
        pages.enableControls();
        if (scan.refreshAfterPage) run.report.refresh();
    }
    return ScanEnd::PageBound;
}

}  // namespace engine
