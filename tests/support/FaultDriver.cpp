// A driver module for fault and protocol tests: it wraps the real Firebird driver
// module and, per statement text (the commit of an explicit transaction counts as a
// statement with the text "COMMIT"),
//   - appends every statement it runs to the file named by OLVARIN_TRACE_FILE, one
//     line per statement (line breaks inside a statement written as "\n");
//   - calls the test program's olvarinStatementHook(sql), when it exports one,
//     before every statement (a test does something "at the chosen moment");
//   - acts on a statement whose text contains OLVARIN_FAIL_STATEMENT, at its
//     OLVARIN_FAIL_AT-th occurrence (1 when unset), as OLVARIN_FAIL_ACTION says:
//       unset or "throw": fails it, and every later one unless OLVARIN_FAIL_ONCE is
//         set, with the message "injected failure";
//       "kill-before": ends the process with SIGKILL instead of running it;
//       "kill-after": runs it and then ends the process with SIGKILL;
//       "signal-before" / "signal-after": sends the process the signal numbered
//         OLVARIN_FAIL_SIGNAL instead of running it / after running it, and then
//         waits there (the program's own handling is to end the process; after
//         30 seconds the module gives up with SIGABRT).
//     The count of occurrences starts afresh whenever these variables change
//     (tests/support/FaultPlan.h sets them).
//     A kill or signal first writes "fault driver: SIGKILL|SIG<n> before|after
//     <statement>" to standard error, so that a test can tell its kill from any
//     other end.
// The databases stay real: every other statement goes to the real driver.
#include <dlfcn.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <type_traits>

#include "db/Error.h"
#include "tests/support/ForwardingDriver.h"

namespace {

std::string env(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}

void callTestHook(const std::string& sql) {
    using Hook = void (*)(const char*);
    static const auto hook = reinterpret_cast<Hook>(dlsym(RTLD_DEFAULT, "olvarinStatementHook"));
    if (hook) hook(sql.c_str());
}

void trace(const std::string& sql) {
    callTestHook(sql);
    const std::string path = env("OLVARIN_TRACE_FILE");
    if (path.empty()) return;
    std::string line;
    for (char c : sql) line += c == '\n' ? std::string("\\n") : std::string(1, c);
    std::ofstream(path, std::ios::app) << line << '\n';
}

// The occurrences of the planned statement seen so far; counted afresh whenever the
// plan changes (a new test, a new case).
int& matches() {
    static int count = 0;
    static std::string plan;
    const std::string current = env("OLVARIN_FAIL_STATEMENT") + '\n' + env("OLVARIN_FAIL_AT") +
                                '\n' + env("OLVARIN_FAIL_ACTION") + '\n' + env("OLVARIN_FAIL_ONCE");
    if (current != plan) {
        plan = current;
        count = 0;
    }
    return count;
}

// What to do to the statement about to run.
enum class Fault { None, Throw, KillBefore, KillAfter, SignalBefore, SignalAfter };

Fault faultFor(const std::string& sql) {
    const std::string needle = env("OLVARIN_FAIL_STATEMENT");
    if (needle.empty() || sql.find(needle) == std::string::npos) return Fault::None;
    const int at = env("OLVARIN_FAIL_AT").empty() ? 1 : std::atoi(env("OLVARIN_FAIL_AT").c_str());
    const int n = ++matches();
    const std::string action = env("OLVARIN_FAIL_ACTION");
    if (action == "kill-before") return n == at ? Fault::KillBefore : Fault::None;
    if (action == "kill-after") return n == at ? Fault::KillAfter : Fault::None;
    if (action == "signal-before") return n == at ? Fault::SignalBefore : Fault::None;
    if (action == "signal-after") return n == at ? Fault::SignalAfter : Fault::None;
    if (n == at || (n > at && env("OLVARIN_FAIL_ONCE").empty())) return Fault::Throw;
    return Fault::None;
}

[[noreturn]] void killProcess(const char* when, const std::string& sql) {
    std::fprintf(stderr, "fault driver: SIGKILL %s %s\n", when, sql.c_str());
    std::fflush(stderr);
    std::raise(SIGKILL);
    std::abort();  // not reached: SIGKILL cannot be caught
}

[[noreturn]] void signalProcess(const char* when, const std::string& sql) {
    const int signal = std::atoi(env("OLVARIN_FAIL_SIGNAL").c_str());
    std::fprintf(stderr, "fault driver: SIG%d %s %s\n", signal, when, sql.c_str());
    std::fflush(stderr);
    ::kill(::getpid(), signal);
    std::this_thread::sleep_for(std::chrono::seconds(30));
    std::abort();
}

class FaultHooks : public testsupport::StatementHooks {
  public:
    void around(const std::string& sql, Step step, const std::function<void()>& run) override {
        if (step != Step::Execute && step != Step::OpenCursor && step != Step::Commit) {
            run();
            return;
        }
        trace(sql);
        const Fault fault = faultFor(sql);
        if (fault == Fault::Throw) throw db::Error("injected failure");
        if (fault == Fault::KillBefore) killProcess("before", sql);
        if (fault == Fault::SignalBefore) signalProcess("before", sql);
        run();
        if (fault == Fault::KillAfter) killProcess("after", sql);
        if (fault == Fault::SignalAfter) signalProcess("after", sql);
    }
};

FaultHooks& hooks() {
    static FaultHooks instance;
    return instance;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) int getSQLDriverINTERBASE(
    const char* vendorLib, const char* errorResourceFile, db::Driver** driver, char* message,
    std::size_t messageSize) {
    return testsupport::forwardToDriverModule(OLVARIN_DRIVER_MODULE, hooks(), vendorLib,
                                              errorResourceFile, driver, message, messageSize);
}

static_assert(std::is_same_v<decltype(&getSQLDriverINTERBASE), OlvGetDriverFunc>);
