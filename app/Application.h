#pragma once

#include <QApplication>
#include <QStringList>

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

}  // namespace app
