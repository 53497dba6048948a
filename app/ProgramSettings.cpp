#include "app/ProgramSettings.h"

#include <QSettings>

namespace app {

std::string programSetting(const char* key) {
    const QSettings settings(QStringLiteral("olvarin"), QStringLiteral("olvarin"));
    return settings.value(QLatin1String(key)).toString().trimmed().toStdString();
}

}  // namespace app
