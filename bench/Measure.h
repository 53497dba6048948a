#pragma once

#include <chrono>

namespace bench {

class Stopwatch {
  public:
    Stopwatch() : start_(std::chrono::steady_clock::now()) {}
    double seconds() const {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    }

  private:
    std::chrono::steady_clock::time_point start_;
};

// The process's peak resident set (getrusage's ru_maxrss), in KiB. The embedded
// database engine runs inside the process, so its page cache counts too.
long peakRssKiB();
// Lowers the peak to the current resident set (Linux: /proc/self/clear_refs), so
// that the next peakRssKiB() tells the high-water mark of what ran in between.
// False when the system does not allow it; the peak then stays process-wide.
bool resetPeakRss();

}  // namespace bench
