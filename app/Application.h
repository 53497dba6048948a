#pragma once

#include <QApplication>

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

// Before the application object exists: lets the unattended run start on a
// machine without a display by choosing the offscreen platform, unless a platform
// was chosen already.
void chooseOffscreenWithoutDisplay();

}  // namespace app
