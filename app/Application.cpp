#include "app/Application.h"

#include <cstdlib>

#include "app/ErrorBox.h"

namespace app {

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {}

bool Application::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        const QString message = currentExceptionMessage();
        runGuarded([&] { showErrorBox(message); });
        return false;
    }
}

void chooseOffscreenWithoutDisplay() {
    const auto isSet = [](const char* name) {
        const char* value = std::getenv(name);
        return value != nullptr && *value != '\0';
    };
    if (isSet("DISPLAY") || isSet("WAYLAND_DISPLAY") || isSet("QT_QPA_PLATFORM")) return;
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
}

QStringList receivedArguments(int argc, char** argv) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

}  // namespace app
