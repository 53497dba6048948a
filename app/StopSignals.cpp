#include "app/StopSignals.h"

#include <pthread.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <mutex>
#include <thread>
#include <utility>

namespace app {
namespace {

std::mutex& stopLock() {
    static std::mutex lock;
    return lock;
}

// The action of the OnStop that lives; guarded by stopLock().
std::function<void()>& stopAction() {
    static std::function<void()> action;
    return action;
}

sigset_t stopSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    return set;
}

// Holds the lock to the end, so that no run finishes its own way meanwhile.
[[noreturn]] void stop(int signal) {
    stopLock().lock();
    if (stopAction()) stopAction()();
    std::fflush(stdout);
    std::printf("Stopped by %s\n", signal == SIGINT ? "SIGINT" : "SIGTERM");
    std::fflush(stdout);
    ::_exit(128 + signal);
}

void waitForStop() {
    const sigset_t set = stopSignals();
    int signal = 0;
    while (sigwait(&set, &signal) != 0) {
    }
    stop(signal);
}

}  // namespace

void handleStopSignals() {
    const sigset_t set = stopSignals();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    std::thread(waitForStop).detach();
}

OnStop::OnStop(std::function<void()> action) {
    const std::lock_guard<std::mutex> held(stopLock());
    stopAction() = std::move(action);
}

OnStop::~OnStop() {
    dismiss();
}

void OnStop::dismiss() {
    const std::lock_guard<std::mutex> held(stopLock());
    stopAction() = nullptr;
}

}  // namespace app
