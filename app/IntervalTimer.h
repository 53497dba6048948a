#pragma once

#include <cstdint>

#include <QObject>
#include <QTimer>

namespace app {

// A periodic timer with an enabled flag and an unsigned interval in milliseconds.
// - Enabling a disabled timer starts a fresh countdown; enabling an enabled one
//   changes nothing; disabling drops the countdown.
// - A new interval while enabled restarts the countdown; the same interval
//   changes nothing.
// - An interval of 0 never ticks. Intervals beyond what the event loop can count
//   (about 24.8 days) are counted as that longest one.
class IntervalTimer : public QObject {
    Q_OBJECT
  public:
    explicit IntervalTimer(QObject* parent = nullptr);

    bool enabled() const { return enabled_; }
    void setEnabled(bool enabled);
    uint32_t interval() const { return interval_; }
    void setInterval(uint32_t milliseconds);
    // Whether a countdown is running (enabled with a non-zero interval).
    bool isCountingDown() const { return timer_.isActive(); }
    // Milliseconds left of the countdown; -1 when none runs.
    int remainingTime() const { return timer_.remainingTime(); }

  signals:
    void timeout();

  private:
    void restart();

    QTimer timer_;
    bool enabled_ = false;
    uint32_t interval_ = 0;
};

}  // namespace app
