#pragma once

#include <string>

// The typed way to set up the fault-and-trace driver module (libdbxfault.so). The
// module reads its plan from the environment of the process it runs in, so a plan
// set here holds for this process and for the programs it starts afterwards. The
// module counts the occurrences of the chosen statement afresh whenever the plan
// changes, so one test's count never carries into the next.
namespace testsupport {

struct FaultPlan {
    enum class Action {
        Throw,         // fail it with "injected failure" (and every later one unless once)
        KillBefore,    // end the process with SIGKILL instead of running it
        KillAfter,     // run it, then end the process with SIGKILL
        SignalBefore,  // send the process signal instead of running it, and wait there
        SignalAfter,   // run it, then send the process signal and wait there
    };
    std::string statement;  // acts on a statement whose text contains this ("COMMIT": a commit)
    int occurrence = 1;     // at its n-th occurrence
    Action action = Action::Throw;
    bool once = false;  // Throw only: that occurrence alone
    int signal = 15;    // Signal actions only: SIGTERM unless told
};

// Puts the plan in force, replacing any other.
void setFaultPlan(const FaultPlan& plan);
// No statement fails or kills from here on.
void clearFaultPlan();
// Every statement run is appended to the file (one line each); empty stops tracing.
void setStatementTrace(const std::string& path);

}  // namespace testsupport
