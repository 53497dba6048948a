// Runs the window tests on the offscreen platform, with the per-user settings in a
// folder of their own so that the settings of whoever runs the tests play no part.

#include <cstdlib>

#include <gtest/gtest.h>
#include <QTemporaryDir>

#include "app/Application.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QTemporaryDir config;
    setenv("XDG_CONFIG_HOME", config.path().toLocal8Bit().constData(), 1);
    app::Application application(argc, argv);
    return RUN_ALL_TESTS();
}
