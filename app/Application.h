#pragma once

#include <QApplication>
#include <QStringList>
#include <optional>
#include <string>

namespace app {

// The application object. An error that escapes an event handler ends up in
// notify(), which shows it in the default error box (ErrorBox.h); the program
// then carries on.
class Application : public QApplication {
    Q_OBJECT
  public:
    Application(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;
};

// The command-line arguments after the program's name, as the program received
// them: read before the application object takes Qt's own options (-platform,
// -style, ...) out of argv, so that main and the window see the same first one.
QStringList receivedArguments(int argc, char** argv);

// Before the application object exists: lets the unattended run start on a
// machine without a display by choosing the offscreen platform, unless a platform
// was chosen already.
void chooseOffscreenWithoutDisplay();

// Before the application object exists: whether the window has somewhere to show,
// that is a display server named (DISPLAY, WAYLAND_DISPLAY) or a platform chosen
// that needs none (QT_QPA_PLATFORM or -platform offscreen, vnc, ...).
bool windowCanShow(int argc, char** argv);

// The answers that need no window, for --help (-h) and --version as the first argument:
// the text printed on standard output; none for any other arguments.
std::optional<std::string> commandLineAnswer(const QStringList& arguments);

// What a run that needs the window says on a machine without a display, before it
// ends with kNoDisplayStatus.
extern const char* const kNoDisplayMessage;
inline constexpr int kNoDisplayStatus = 2;

}  // namespace app
