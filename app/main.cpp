#include <cstdio>

#include "app/Application.h"
#include "app/FrmOlvarin.h"
#include "app/StopSignals.h"

int main(int argc, char** argv) {
    app::handleStopSignals();
    const QStringList arguments = app::receivedArguments(argc, argv);
    if (const auto answer = app::commandLineAnswer(arguments)) {
        std::fputs(answer->c_str(), stdout);
        return 0;
    }
    const bool unattended =
        !arguments.isEmpty() && arguments.front() == QLatin1String(app::kUnattendedParameter);
    if (unattended) {
        app::chooseOffscreenWithoutDisplay();
    } else if (!app::windowCanShow(argc, argv)) {
        std::fputs(app::kNoDisplayMessage, stderr);
        return app::kNoDisplayStatus;
    }

    app::Application application(argc, argv);
    app::FormStartOptions options;
    options.arguments = arguments;
    options.startupErrorsToLog = unattended;
    app::TFormOlvarin form(options);
    form.show();
    const int status = application.exec();
    if (status != 0) return status;
    return form.RunParameter() == app::kUnattendedParameter ? form.exitStatus() : 0;
}
