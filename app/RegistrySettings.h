#pragma once

#include "db/SQLConnection.h"
#include "engine/DownloadRun.h"

namespace app {

// The paths of the connections file and the drivers file from the program's
// per-user settings (organisation and application "olvarin"; on Linux
// $XDG_CONFIG_HOME/olvarin/olvarin.conf), keys "Connection Registry File" and
// "Driver Registry File". An absent key gives an empty path, which means the
// default file beside the executable.
db::RegistryFiles registryFilesFromSettings();

// The setting "Bulk Download" of the same settings (engine::RunOptions::bulk): On
// for "true", Auto for "auto" (in any letter case), Off for anything else or none.
// Read at every run, so a branch can change it without a restart.
engine::BulkDownload bulkDownloadFromSettings();
// The setting "Bulk Threshold": the queued rows above which Auto takes the bulk
// path; engine::kDefaultBulkThreshold when absent or not a whole number above 0.
long long bulkThresholdFromSettings();

}  // namespace app
