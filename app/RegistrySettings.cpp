#include "app/RegistrySettings.h"

#include <string>

#include <QSettings>

namespace app {

namespace {

std::string settingsPath(const char* key) {
    const QSettings settings(QStringLiteral("olvarin"), QStringLiteral("olvarin"));
    return settings.value(QLatin1String(key)).toString().trimmed().toStdString();
}

// True only when the trimmed value is "true" in any letter case.
bool settingsSwitch(const char* key) {
    const QSettings settings(QStringLiteral("olvarin"), QStringLiteral("olvarin"));
    return settings.value(QLatin1String(key)).toString().trimmed().compare(QLatin1String("true"),
                                                                          Qt::CaseInsensitive) == 0;
}

}  // namespace

db::RegistryFiles registryFilesFromSettings() {
    db::RegistryFiles files;
    files.connectionsFile = settingsPath("Connection Registry File");
    // The drivers file is looked up again at every connect.
    files.driversFileLookup = [] { return settingsPath("Driver Registry File"); };
    return files;
}

bool bulkDownloadFromSettings() { return settingsSwitch("Bulk Download"); }

}  // namespace app
