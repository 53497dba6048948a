#include "app/IntervalTimer.h"

#include <algorithm>
#include <limits>

namespace app {

IntervalTimer::IntervalTimer(QObject* parent) : QObject(parent) {
    timer_.setTimerType(Qt::PreciseTimer);  // a countdown is counted exactly
    connect(&timer_, &QTimer::timeout, this, &IntervalTimer::timeout);
}

void IntervalTimer::setEnabled(bool enabled) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    restart();
}

void IntervalTimer::setInterval(uint32_t milliseconds) {
    if (milliseconds == interval_) return;
    interval_ = milliseconds;
    restart();
}

void IntervalTimer::restart() {
    timer_.stop();
    if (!enabled_ || interval_ == 0) return;
    const uint32_t longest = static_cast<uint32_t>(std::numeric_limits<int>::max());
    timer_.start(static_cast<int>(std::min(interval_, longest)));
}

}  // namespace app
