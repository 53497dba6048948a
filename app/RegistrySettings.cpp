#include "app/RegistrySettings.h"

#include <string>

#include <QSettings>

namespace app {

namespace {

std::string settingsPath(const char* key) {
    const QSettings settings(QStringLiteral("olvarin"), QStringLiteral("olvarin"));
    return settings.value(QLatin1String(key)).toString().trimmed().toStdString();
}

}  // namespace

db::RegistryFiles registryFilesFromSettings() {
    db::RegistryFiles files;
    files.connectionsFile = settingsPath("Connection Registry File");
    // The drivers file is looked up again at every connect.
    files.driversFileLookup = [] { return settingsPath("Driver Registry File"); };
    return files;
}

}  // namespace app
