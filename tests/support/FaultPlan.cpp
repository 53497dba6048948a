#include "tests/support/FaultPlan.h"

#include <cstdlib>

namespace testsupport {
namespace {

void setOrClear(const char* name, const std::string& value) {
    if (value.empty())
        ::unsetenv(name);
    else
        ::setenv(name, value.c_str(), 1);
}

const char* actionText(FaultPlan::Action action) {
    switch (action) {
        case FaultPlan::Action::KillBefore:
            return "kill-before";
        case FaultPlan::Action::KillAfter:
            return "kill-after";
        case FaultPlan::Action::SignalBefore:
            return "signal-before";
        case FaultPlan::Action::SignalAfter:
            return "signal-after";
        case FaultPlan::Action::Throw:
            break;
    }
    return "throw";
}

}  // namespace

void setFaultPlan(const FaultPlan& plan) {
    setOrClear("OLVARIN_FAIL_STATEMENT", plan.statement);
    setOrClear("OLVARIN_FAIL_AT", std::to_string(plan.occurrence));
    setOrClear("OLVARIN_FAIL_ACTION", actionText(plan.action));
    setOrClear("OLVARIN_FAIL_ONCE", plan.once ? "1" : "");
    setOrClear("OLVARIN_FAIL_SIGNAL", std::to_string(plan.signal));
}

void clearFaultPlan() {
    for (const char* name : {"OLVARIN_FAIL_STATEMENT", "OLVARIN_FAIL_AT", "OLVARIN_FAIL_ACTION",
                             "OLVARIN_FAIL_ONCE", "OLVARIN_FAIL_SIGNAL"})
        ::unsetenv(name);
}

void setStatementTrace(const std::string& path) {
    setOrClear("OLVARIN_TRACE_FILE", path);
}

}  // namespace testsupport
