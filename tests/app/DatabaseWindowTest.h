#pragma once

#include <initializer_list>
#include <memory>
#include <string>

#include <gtest/gtest.h>
#include <QCheckBox>

#include "AppTestSupport.h"
#include "app/CheckGroup.h"
#include "tests/support/TestDatabases.h"

namespace apptest {

// The real window in this process on databases of the test's own: store 0001, the
// clock at kToday, error boxes recorded instead of shown.
class DatabaseWindowTest : public ::testing::Test {
  protected:
    DatabaseWindowTest() { writeStoreConfig(folder, {{"0001", "S1"}}); }

    // A new window reading connections that point where `where` says, with only the
    // given categories ticked. The settings are made afresh (every other key cleared).
    void openWindow(const testsupport::RegistryOptions& where, std::initializer_list<int> ticked) {
        const auto [connections, drivers] = dbs.writeRegistry(where);
        settings.reset();
        settings = std::make_unique<RegistrySettings>(connections, drivers);
        window = makeWindow(folder);
        window->show();
        for (int i = 0; i < 12; ++i) window->bsSkinCheckGroup1->setChecked(i, false);
        for (int i : ticked) window->bsSkinCheckGroup1->setChecked(i, true);
    }

    FixedClock clock;
    ErrorBoxRecorder errors;
    TempFolder folder;
    testsupport::TestDatabases dbs;
    std::unique_ptr<RegistrySettings> settings;
    std::unique_ptr<app::TFormOlvarin> window;
};

}  // namespace apptest
