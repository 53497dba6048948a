#pragma once

#include <functional>
#include <optional>
#include <string>

#include "check/CheckReport.h"
#include "check/ServiceUnit.h"

namespace check {

// Who the set-up check reads files and opens databases as. When olvarin.service
// runs the olvarin beside the check, the check takes the service's user (with
// its groups) and the environment the unit gives a run, whoever started it: what
// root may read, the service may not, and the embedded engine's lock folder is
// the unit's FIREBIRD_LOCK. Otherwise it checks as whoever started it.
class CheckIdentity {
  public:
    // Decides from the unit (nullopt: none installed) and the olvarin beside the check.
    CheckIdentity(std::optional<ServiceUnit> unit, const std::string& besideProgram);

    // Runs check as decided and returns its exit status. check receives the first
    // line of the report, who it checks as, and fails when that line failed.
    // Taking the service's user happens in a child process, so that what only root
    // may do is done before (the unit's runtime folder made as systemd makes it
    // for a run) and after (that folder removed again).
    int run(const std::function<int(const CheckLine& first)>& check) const;

  private:
    int runAsService(const std::function<int(const CheckLine&)>& check) const;
    CheckLine serviceLine() const;
    void takeServiceEnvironment() const;

    std::optional<ServiceUnit> unit_;
    std::optional<CheckLine> asStarted_;  // set: check as whoever started it, with this line
};

}  // namespace check
