// The first command-line argument, read when the window is shown.

#include <gtest/gtest.h>
#include <QCheckBox>

#include "AppTestSupport.h"
#include "ProgramFolder.h"
#include "app/Application.h"
#include "app/CheckGroup.h"
#include "app/IntervalTimer.h"
#include "app/Version.h"

using namespace apptest;

namespace {

struct CommandLineCase {
    const char* name;
    QStringList arguments;
    bool unattended;
};

void PrintTo(const CommandLineCase& c, std::ostream* os) {
    *os << c.name;
}

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
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(window->bsSkinCheckGroup1->isChecked(i), unattended) << i;
    EXPECT_EQ(window->Timer1->enabled(), unattended);
    EXPECT_EQ(window->Timer1->interval(), 5000u);
    EXPECT_EQ(window->runRequest().mode, engine::kModeChanged);
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

// The built program without a display, as a service or an ssh session runs it: what
// needs no window answers at once, and what needs one ends at once saying why.
struct NoDisplayCase {
    const char* name;
    QStringList arguments;
    QStringList environment;
    int exitCode;
    const char* out;  // the start of standard output; "" for none
    const char* err;  // the start of standard error; "" for none
};

void PrintTo(const NoDisplayCase& c, std::ostream* os) {
    *os << c.name;
}

class NoDisplayTest : public ::testing::TestWithParam<NoDisplayCase> {};

const std::string kVersionLine = std::string("olvarin ") + app::kVersion;

TEST_P(NoDisplayTest, AnswersOrEndsAtOnceWithItsStatus) {
    const NoDisplayCase& c = GetParam();
    const ProgramFolder program;
    const Outcome outcome = program.run(c.arguments, c.environment, 20000);
    EXPECT_EQ(outcome.exitCode, c.exitCode) << outcome.text();
    // Each output starts with its expected text, or is empty when none is expected.
    const auto matches = [](const QString& output, const char* expected) {
        return *expected == '\0' ? output.isEmpty()
                                 : output.startsWith(QString::fromUtf8(expected));
    };
    EXPECT_TRUE(matches(outcome.out.join('\n'), c.out)) << outcome.text();
    EXPECT_TRUE(matches(outcome.err, c.err)) << outcome.text();
    if (c.exitCode == app::kNoDisplayStatus) {
        EXPECT_TRUE(outcome.err.contains("'olvarin a'")) << outcome.text();
    }
}

constexpr const char* kNoDisplay = "olvarin: no display to open the window on";

INSTANTIATE_TEST_SUITE_P(
    Arguments, NoDisplayTest,
    ::testing::Values(
        NoDisplayCase{"help", {"--help"}, {}, 0, "Usage: olvarin [a]", ""},
        NoDisplayCase{"version", {"--version"}, {}, 0, kVersionLine.c_str(), ""},
        // The service's environment names a platform: still no window for --help.
        NoDisplayCase{"helpOffscreen",
                      {"--help"},
                      {"QT_QPA_PLATFORM=offscreen"},
                      0,
                      "Usage: olvarin [a]",
                      ""},
        NoDisplayCase{
            "versionX11Named", {"--version"}, {"QT_QPA_PLATFORM=xcb"}, 0, kVersionLine.c_str(), ""},
        NoDisplayCase{"window", {}, {}, 2, "", kNoDisplay},
        NoDisplayCase{"upperA", {"A"}, {}, 2, "", kNoDisplay},
        NoDisplayCase{
            "windowOnX11WithoutDisplay", {"x"}, {"QT_QPA_PLATFORM=xcb"}, 2, "", kNoDisplay}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
