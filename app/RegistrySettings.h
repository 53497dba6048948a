#pragma once

#include "db/SQLConnection.h"

namespace app {

// The paths of the connections file and the drivers file from the program's
// per-user settings (organisation and application "olvarin"; on Linux
// $XDG_CONFIG_HOME/olvarin/olvarin.conf), keys "Connection Registry File" and
// "Driver Registry File". An absent key gives an empty path, which means the
// default file beside the executable.
db::RegistryFiles registryFilesFromSettings();

// The switch "Bulk Download" of the same settings: the download's bulk path
// (engine::RunOptions::bulk), on only when its value is "true" in any letter case.
// Read at every run, so a branch can turn it on or off without a restart.
bool bulkDownloadFromSettings();

}  // namespace app
