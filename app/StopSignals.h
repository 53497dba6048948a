#pragma once

#include <functional>

// SIGTERM (systemctl stop, a package removal, a shutdown) and SIGINT (Ctrl+C) end
// the program within moments wherever it is: in a statement, between runs, or
// while connecting to a headquarters that does not answer. Nothing is finished
// first: the databases roll back what the process left uncommitted, and the
// claims it left queued are taken up by the next run. The program writes
// "Stopped by SIGTERM" (or SIGINT) as its last log line and exits with 128 plus
// the signal's number (143, 130).
namespace app {

// Blocks both signals in the calling thread, and so in every thread started after
// it, and starts the one thread that waits for them. Call it first in main,
// before the application object or a database client starts threads of its own.
void handleStopSignals();

// While it lives, a stop runs its action before the program ends. One at a time;
// the action runs on the stopping thread, so it may not wait for the main thread.
class OnStop {
  public:
    explicit OnStop(std::function<void()> action);
    ~OnStop();
    OnStop(const OnStop&) = delete;
    OnStop& operator=(const OnStop&) = delete;

    // From here on a stop leaves it out. When a stop is running the action
    // already, never returns: the program ends first.
    void dismiss();
};

}  // namespace app
