#include "app/RegistrySettings.h"

#include "app/ProgramSettings.h"
#include "base/Text.h"

namespace app {

db::RegistryFiles registryFilesFromSettings() {
    db::RegistryFiles files;
    files.connectionsFile = programSetting("Connection Registry File");
    // The drivers file is looked up again at every connect.
    files.driversFileLookup = [] { return programSetting("Driver Registry File"); };
    return files;
}

bool bulkDownloadFromSettings() {
    return base::asciiLower(programSetting("Bulk Download")) == "true";
}

}  // namespace app
