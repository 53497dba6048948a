// The first command-line argument, read when the window is shown.

#include <QCheckBox>
#include <gtest/gtest.h>

#include "AppTestSupport.h"
#include "app/CheckGroup.h"
#include "app/IntervalTimer.h"

using namespace apptest;

namespace {

struct CommandLineCase {
    const char* name;
    QStringList arguments;
    bool unattended;
};

void PrintTo(const CommandLineCase& c, std::ostream* os) { *os << c.name; }

class CommandLineTest : public ::testing::TestWithParam<CommandLineCase> {
protected:
    FixedClock clock;
    ErrorBoxRecorder errors;
    TempFolder folder;
};

TEST_P(CommandLineTest, OnlyALowerCaseAFirstArmsTheUnattendedRun) {
    writeStoreConfig(folder, {{"0001", "S1"}});
    auto window = makeWindow(folder, GetParam().arguments);
    EXPECT_FALSE(window->Timer1->enabled());  // nothing happens before the window shows
    window->show();

    const bool unattended = GetParam().unattended;
    EXPECT_EQ(window->RunParameter(), GetParam().arguments.value(0).toStdString());
    for (int i = 0; i < 12; ++i) EXPECT_EQ(window->isCategoryChecked(i), unattended) << i;
    EXPECT_EQ(window->Timer1->enabled(), unattended);
    EXPECT_EQ(window->Timer1->interval(), 5000u);
    EXPECT_EQ(window->downloadMode(), engine::kModeChanged);
    EXPECT_FALSE(window->CheckBox1->isChecked());
    window->close();
}

INSTANTIATE_TEST_SUITE_P(Arguments, CommandLineTest,
                         ::testing::Values(CommandLineCase{"a", {"a"}, true},
                                           CommandLineCase{"aWithMore", {"a", "x"}, true},
                                           CommandLineCase{"upperA", {"A"}, false},
                                           CommandLineCase{"hyphenA", {"-a"}, false},
                                           CommandLineCase{"blankA", {" a"}, false},
                                           CommandLineCase{"aSecond", {"x", "a"}, false},
                                           CommandLineCase{"none", {}, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(UnattendedStart, TickingAndUntickingAutoCancelsThePendingRun) {
    FixedClock clock;
    ErrorBoxRecorder errors;
    TempFolder folder;
    writeStoreConfig(folder, {{"0001", "S1"}});
    auto window = makeWindow(folder, {"a"});
    window->show();
    window->CheckBox1->setChecked(true);
    EXPECT_TRUE(window->Timer1->enabled());
    window->CheckBox1->setChecked(false);
    EXPECT_FALSE(window->Timer1->enabled());
    EXPECT_FALSE(window->Timer1->isCountingDown());
    window->close();
}

}  // namespace
