// A driver module that wraps the real Firebird driver module and adds up, per kind
// of statement, the time spent preparing and running statements. It lets the
// benchmark split a download's time between page queries, keyed SELECTs and
// writes without touching the engine: only the drivers file points elsewhere.
#include <strings.h>

#include <chrono>
#include <functional>
#include <string>
#include <type_traits>

#include "bench/StatementTimes.h"
#include "tests/support/ForwardingDriver.h"

namespace {

bench::StatementTimes& totals() {
    static bench::StatementTimes times;
    return times;
}

bench::StatementKind kindOf(const std::string& sql, testsupport::StatementHooks::Step step) {
    if (step == testsupport::StatementHooks::Step::Commit) return bench::kCommit;
    if (strncasecmp(sql.c_str(), "SELECT FIRST", 12) == 0) return bench::kPageQuery;
    if (strncasecmp(sql.c_str(), "SELECT", 6) == 0) return bench::kKeyedSelect;
    return bench::kWrite;
}

// Adds the lifetime of the object to one of the totals.
class Timed {
  public:
    explicit Timed(double& total) : total_(total), start_(std::chrono::steady_clock::now()) {}
    ~Timed() {
        total_ += std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    }
    Timed(const Timed&) = delete;
    Timed& operator=(const Timed&) = delete;

  private:
    double& total_;
    std::chrono::steady_clock::time_point start_;
};

// Times every step of a statement: its prepare apart, all the others (opening,
// fetching, executing, freeing) together; counts the executions.
class TimingHooks : public testsupport::StatementHooks {
  public:
    void around(const std::string& sql, Step step, const std::function<void()>& run) override {
        const bench::StatementKind kind = kindOf(sql, step);
        if (step == Step::Execute || step == Step::OpenCursor || step == Step::Commit)
            ++totals().runs[kind];
        Timed timed(step == Step::Prepare ? totals().prepareSeconds[kind]
                                          : totals().runSeconds[kind]);
        run();
    }
};

TimingHooks& hooks() {
    static TimingHooks instance;
    return instance;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) const bench::StatementTimes*
olvBenchStatementTimes() {
    return &totals();
}

extern "C" __attribute__((visibility("default"))) int getSQLDriverINTERBASE(
    const char* vendorLib, const char* errorResourceFile, db::Driver** driver, char* message,
    std::size_t messageSize) {
    return testsupport::forwardToDriverModule(OLVARIN_DRIVER_MODULE, hooks(), vendorLib,
                                              errorResourceFile, driver, message, messageSize);
}

static_assert(std::is_same_v<decltype(&getSQLDriverINTERBASE), OlvGetDriverFunc>);
static_assert(std::is_same_v<decltype(&olvBenchStatementTimes), OlvBenchStatementTimesFunc>);
