#include "bench/Measure.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace bench {

long peakRssKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

bool resetPeakRss() {
    const int fd = ::open("/proc/self/clear_refs", O_WRONLY);
    if (fd < 0) return false;
    const bool ok = ::write(fd, "5", 1) == 1;
    ::close(fd);
    return ok;
}

}  // namespace bench
