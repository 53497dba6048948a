#include "engine/PagedScan.h"

#include "base/SqlText.h"

namespace engine {
namespace {

std::string pageStatement(RunContext& run, const PagedScanSpec& spec, StatementValues values,
                          long long page) {
    const PageStatements& s = spec.statements;
    const bool filtered = s.firstPageFiltered && run.view.isDateFilterOn();
    const char* stored = page == 0 ? (filtered ? s.firstPageFiltered : s.firstPage)
                                   : (filtered ? s.laterPageFiltered : s.laterPage);
    values.offset = page * spec.pageSize;
    return expandStatement(stored, values);
}

}  // namespace

ScanEnd runPagedScan(RunContext& run, db::ClientDataSet& pages, const PagedScanSpec& spec,
                     const StatementValues& values, const std::function<void()>& forEachRow) {
    const long long bound = run.pageBoundCap > 0 && run.pageBoundCap < spec.pageBound
                                ? run.pageBoundCap
                                : spec.pageBound;
    for (long long page = 0; page < bound; ++page) {
        pages.close();
        pages.setCommandText(pageStatement(run, spec, values, page));
        pages.open();
        if (spec.log == PageLog::AsSentBeforeTest) run.log(pages.commandText());
        if (pages.recordCount() == 0) {
            run.log(spec.endMessage);
            return ScanEnd::EmptyPage;
        }
        if (spec.log == PageLog::LowerCaseAfterTest) run.log(base::asciiLower(pages.commandText()));

        run.startGauge(pages.recordCount());
        pages.disableControls();
        for (pages.first(); !pages.eof(); pages.next()) {
            run.stepGauge();
            forEachRow();
        }
        pages.enableControls();
        if (spec.refreshAfterPage) run.view.refresh();
    }
    return ScanEnd::PageBound;
}

}  // namespace engine
