// olvarin-check: the set-up doctor of a branch. Reads what olvarin reads (the store
// configuration beside it, the connections and drivers files through the same
// per-user settings, the driver module) and the two databases through the same
// named connections, writes nothing, and prints one line per check. It checks as
// the service runs olvarin (its user and environment) when the service runs the
// olvarin beside it, and says in its first line whom it checks as.

#include <algorithm>
#include <cstring>
#include <iostream>

#include "app/RegistrySettings.h"
#include "app/StoreConfigFile.h"
#include "base/Platform.h"
#include "check/AsService.h"
#include "check/SetupCheck.h"

namespace {

constexpr const char* kUsage =
    "usage: olvarin-check\n"
    "Checks the set-up olvarin finds beside it and prints one line per check:\n"
    "\"ok\", \"FAIL\" (with what to do about it) or \"skip\" (a check it needs failed).\n"
    "When olvarin.service runs that olvarin, it checks as the service's user with the\n"
    "service's environment, whoever starts it (root can take that user).\n"
    "Exit status 0 when nothing failed, 1 otherwise. Writes nothing.\n";

int checkSetup(const check::CheckLine& first) {
    std::cout << check::formatLine(first) << std::endl;
    check::CheckInputs inputs;
    inputs.storeConfigFile = base::executableDir() + app::kStoreConfigFileName;
    // Read only now: the settings file is the user's, under the environment's HOME.
    inputs.registryFiles = app::registryFilesFromSettings();
    const check::CheckReport report = check::runSetupCheck(inputs);
    for (const check::CheckLine& line : report.lines())
        std::cout << check::formatLine(line) << '\n';
    std::cout.flush();
    return std::max(report.exitStatus(), first.outcome == check::Outcome::Fail ? 1 : 0);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1) {
        const bool help =
            argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0);
        (help ? std::cout : std::cerr) << kUsage;
        return help ? 0 : 2;
    }
    const check::CheckIdentity identity(check::findServiceUnit(),
                                        base::executableDir() + "olvarin");
    return identity.run(checkSetup);
}
