#include "app/RegistrySettings.h"

#include <QSettings>

namespace app {

db::RegistryFiles registryFilesFromSettings() {
    const QSettings settings(QStringLiteral("olvarin"), QStringLiteral("olvarin"));
    const auto path = [&](const char* key) {
        return settings.value(QLatin1String(key)).toString().trimmed().toStdString();
    };
    return {path("Connection Registry File"), path("Driver Registry File")};
}

}  // namespace app
