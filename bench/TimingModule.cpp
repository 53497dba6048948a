#include "bench/TimingModule.h"

#include <stdexcept>
#include <string>

namespace bench {

TimingModule::TimingModule() {
    if (!library_.load(OLVARIN_TIMING_DRIVER)) {
        throw std::runtime_error("cannot load " + std::string(OLVARIN_TIMING_DRIVER) + ": " +
                                 library_.lastError());
    }
    times_ =
        reinterpret_cast<OlvBenchStatementTimesFunc>(library_.symbol("olvBenchStatementTimes"));
    if (!times_) throw std::runtime_error("the timing driver exports no olvBenchStatementTimes");
}

}  // namespace bench
