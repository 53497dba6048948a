// A driver module for fault and protocol tests: it wraps the real Firebird driver
// module and, per statement text (the commit of an explicit transaction counts as a
// statement with the text "COMMIT"),
//   - appends every statement it runs to the file named by OLVARIN_TRACE_FILE, one
//     line per statement (line breaks inside a statement written as "\n");
//   - calls the test program's olvarinStatementHook(sql), when it exports one,
//     before every statement (a test does something "at the chosen moment");
//   - fails a statement whose text contains OLVARIN_FAIL_STATEMENT, at its
//     OLVARIN_FAIL_AT-th occurrence (1 when unset) and every later one unless
//     OLVARIN_FAIL_ONCE is set, with the message "injected failure".
// The databases stay real: every other statement goes to the real driver.
#include <dlfcn.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
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

int& matches() {
    static int count = 0;
    return count;
}

void maybeFail(const std::string& sql) {
    const std::string needle = env("OLVARIN_FAIL_STATEMENT");
    if (needle.empty() || sql.find(needle) == std::string::npos) return;
    const int at = env("OLVARIN_FAIL_AT").empty() ? 1 : std::atoi(env("OLVARIN_FAIL_AT").c_str());
    const int n = ++matches();
    if (n == at || (n > at && env("OLVARIN_FAIL_ONCE").empty())) throw db::Error("injected failure");
}

class FaultHooks : public testsupport::StatementHooks {
public:
    void around(const std::string& sql, Step step, const std::function<void()>& run) override {
        if (step == Step::Execute || step == Step::OpenCursor || step == Step::Commit) {
            trace(sql);
            maybeFail(sql);
        }
        run();
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
