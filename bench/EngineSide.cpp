#include "bench/EngineSide.h"

#include <stdexcept>

#include "bench/BenchView.h"
#include "bench/Measure.h"
#include "engine/DownloadRun.h"

namespace bench {

EngineSide::EngineSide(BenchDatabases& databases, const BenchTable& table,
                       const std::string& timingDriver, OlvBenchStatementTimesFunc times)
    : table_(table), times_(times), data_(databases.registry(timingDriver)) {}

PhaseResult EngineSide::download() {
    // Connecting is not part of the download's cost.
    data_.SQLCon_Source.ensureOpen();
    data_.SQLCon_Target.ensureOpen();

    BenchView view(table_.category);
    const StatementTimes before = *times_();
    const Stopwatch total;
    engine::runDownload(view, data_, "001");
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
    for (int k = 0; k < kStatementKinds; ++k) result.prepareSeconds += spent.prepareSeconds[k];
    result.rows = spent.runs[kKeyedSelect];
    result.writes = spent.runs[kWrite];
    return result;
}

}  // namespace bench
