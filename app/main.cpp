#include <cstring>

#include "app/Application.h"
#include "app/FrmOlvarin.h"

int main(int argc, char** argv) {
    const bool unattended = argc > 1 && std::strcmp(argv[1], app::kUnattendedParameter) == 0;
    if (unattended) app::chooseOffscreenWithoutDisplay();

    app::Application application(argc, argv);
    app::FormStartOptions options;
    options.startupErrorsToLog = unattended;
    app::TFormOlvarin form(options);
    form.show();
    const int status = application.exec();
    if (status != 0) return status;
    return form.RunParameter() == app::kUnattendedParameter ? form.exitStatus() : 0;
}
