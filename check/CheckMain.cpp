// olvarin-check: the set-up doctor of a branch. Reads what olvarin reads (the store
// configuration beside it, the connections and drivers files through the same
// per-user settings, the driver module) and the two databases through the same
// named connections, writes nothing, and prints one line per check.

#include <cstring>
#include <iostream>

#include "app/RegistrySettings.h"
#include "app/StoreConfigFile.h"
#include "base/Platform.h"
#include "check/SetupCheck.h"

namespace {

constexpr const char* kUsage =
    "usage: olvarin-check\n"
    "Checks the set-up olvarin finds beside it and prints one line per check:\n"
    "\"ok\", \"FAIL\" (with what to do about it) or \"skip\" (a check it needs failed).\n"
    "Exit status 0 when nothing failed, 1 otherwise. Writes nothing.\n";

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1) {
        const bool help =
            argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0);
        (help ? std::cout : std::cerr) << kUsage;
        return help ? 0 : 2;
    }
    check::CheckInputs inputs;
    inputs.storeConfigFile = base::executableDir() + app::kStoreConfigFileName;
    inputs.registryFiles = app::registryFilesFromSettings();
    const check::CheckReport report = check::runSetupCheck(inputs);
    for (const check::CheckLine& line : report.lines())
        std::cout << check::formatLine(line) << '\n';
    return report.exitStatus();
}
