#include "app/RegistrySettings.h"

#include <exception>
#include <string>

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

engine::BulkDownload bulkDownloadFromSettings() {
    const std::string value = base::asciiLower(programSetting("Bulk Download"));
    if (value == "true") return engine::BulkDownload::On;
    if (value == "auto") return engine::BulkDownload::Auto;
    return engine::BulkDownload::Off;
}

long long bulkThresholdFromSettings() {
    const std::string text = programSetting("Bulk Threshold");
    size_t used = 0;
    long long threshold = 0;
    try {
        threshold = std::stoll(text, &used);
    } catch (const std::exception&) {
        return engine::kDefaultBulkThreshold;
    }
    return used == text.size() && threshold > 0 ? threshold : engine::kDefaultBulkThreshold;
}

}  // namespace app
