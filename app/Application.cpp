#include "app/Application.h"

#include <cstdlib>

#include "app/ErrorBox.h"
#include "app/Version.h"

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

namespace {

bool isSet(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

// Qt's platforms that show windows on a display server (xcb, wayland, wayland-egl, ...).
bool needsDisplayServer(const QString& platform) {
    return platform.isEmpty() || platform.startsWith(QLatin1String("xcb")) ||
           platform.startsWith(QLatin1String("wayland"));
}

// The platform chosen on the command line (-platform name), or empty.
QString platformArgument(int argc, char** argv) {
    QString platform;
    for (int i = 1; i + 1 < argc; ++i) {
        const QString argument = QString::fromLocal8Bit(argv[i]);
        if (argument == QLatin1String("-platform") || argument == QLatin1String("--platform"))
            platform = QString::fromLocal8Bit(argv[i + 1]);
    }
    return platform;
}

constexpr const char* kHelp =
    "Usage: olvarin [a]\n"
    "Downloads the chain's data from the headquarters database into this branch's database.\n"
    "\n"
    "  olvarin            open the window (needs a display)\n"
    "  olvarin a          one unattended download of every category in mode Changed, then exit:\n"
    "                     status 0 when the run ended with \"Done...\", 1 when it failed\n"
    "  olvarin --help, -h this text\n"
    "  olvarin --version  the version\n"
    "\n"
    "It reads Quelmar.dat, dbxconnections.ini and dbxdrivers.ini beside the program (with the\n"
    "package: through the links in /usr/lib/olvarin/ to /etc/olvarin/), and the settings\n"
    "~/.config/olvarin/olvarin.conf and /etc/xdg/olvarin/olvarin.conf. See olvarin(1),\n"
    "olvarin-check(1) and olvarin-storecfg(1).\n";

}  // namespace

const char* const kNoDisplayMessage =
    "olvarin: no display to open the window on (neither DISPLAY nor WAYLAND_DISPLAY is set).\n"
    "For one unattended download, run 'olvarin a'; 'olvarin --help' lists the commands.\n";

void chooseOffscreenWithoutDisplay() {
    if (isSet("DISPLAY") || isSet("WAYLAND_DISPLAY") || isSet("QT_QPA_PLATFORM")) return;
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
}

bool windowCanShow(int argc, char** argv) {
    if (isSet("DISPLAY") || isSet("WAYLAND_DISPLAY")) return true;
    const QString fromArguments = platformArgument(argc, argv);
    const QString platform = fromArguments.isEmpty()
                                 ? QString::fromLocal8Bit(std::getenv("QT_QPA_PLATFORM"))
                                 : fromArguments;
    return !needsDisplayServer(platform.trimmed());
}

std::optional<std::string> commandLineAnswer(const QStringList& arguments) {
    if (arguments.isEmpty()) return std::nullopt;
    if (arguments.front() == QLatin1String("--help") || arguments.front() == QLatin1String("-h"))
        return kHelp;
    if (arguments.front() == QLatin1String("--version"))
        return std::string("olvarin ") + kVersion + "\n";
    return std::nullopt;
}

QStringList receivedArguments(int argc, char** argv) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

}  // namespace app
