#include "bench/EngineSide.h"

#include <stdexcept>
#include <utility>

#include "bench/BenchView.h"
#include "bench/Measure.h"
#include "engine/DownloadRun.h"

namespace bench {

EngineSide::EngineSide(const db::RegistryFiles& registry, const BenchTable& table, EngineRun how,
                       OlvBenchStatementTimesFunc times)
    : table_(table), how_(std::move(how)), times_(times), data_(registry) {}

PhaseResult EngineSide::download() {
    // Connecting is not part of the download's cost.
    data_.SQLCon_Source.ensureOpen();
    data_.SQLCon_Target.ensureOpen();

    // One category ticked, no date filter.
    engine::RunRequest request{
        .storeId = how_.storeId, .mode = how_.mode, .bulk = engine::bulkPathIf(how_.bulk)};
    request.ticked[static_cast<size_t>(table_.category)] = true;
    BenchView view;
    engine::RunTally tally;
    const StatementTimes before = *times_();
    const Stopwatch total;
    engine::runDownload(request, view, data_, {.tally = &tally});
    PhaseResult result;
    result.seconds = total.seconds();
    const StatementTimes spent = times_()->minus(before);

    if (view.lastLine() != "Done..." || view.lineBeforeLast() != table_.endMessage) {
        throw std::runtime_error("the run did not finish its scan: last lines '" +
                                 view.lineBeforeLast() + "', '" + view.lastLine() + "'");
    }
    result.pageSeconds = spent.seconds(kPageQuery);
    result.keyedSeconds = spent.seconds(kKeyedSelect);
    result.writeSeconds = spent.seconds(kWrite);
    result.commitSeconds = spent.seconds(kCommit);
    for (int k = 0; k < kStatementKinds; ++k) result.prepareSeconds += spent.prepareSeconds[k];
    result.rows =
        static_cast<long long>(tally.categories[static_cast<size_t>(table_.category)].rowsWritten);
    result.writes = spent.runs[kWrite];
    return result;
}

}  // namespace bench
