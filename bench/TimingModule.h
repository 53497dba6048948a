#pragma once

#include "base/Platform.h"
#include "bench/StatementTimes.h"

namespace bench {

// The timing driver module, loaded by the benchmark itself and held for as long as
// this object lives, so that its running totals outlive every connection that
// loads it again through the drivers file. Throws when it does not load.
class TimingModule {
  public:
    TimingModule();
    OlvBenchStatementTimesFunc times() const { return times_; }

  private:
    base::SharedLibrary library_;
    OlvBenchStatementTimesFunc times_ = nullptr;
};

}  // namespace bench
