// Timer1, the interval box and the timer runs.

#include <gtest/gtest.h>
#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTest>

#include "AppTestSupport.h"
#include "app/CheckGroup.h"
#include "app/IntervalTimer.h"

using namespace apptest;

namespace {

TEST(IntervalTimer, CountsDownOnlyWhenEnabledWithANonZeroInterval) {
    app::IntervalTimer timer;
    QSignalSpy ticks(&timer, &app::IntervalTimer::timeout);
    timer.setInterval(0);
    timer.setEnabled(true);
    EXPECT_FALSE(timer.isCountingDown());
    QTest::qWait(50);
    EXPECT_EQ(ticks.count(), 0);

    timer.setInterval(20);
    EXPECT_TRUE(timer.isCountingDown());
    EXPECT_TRUE(ticks.wait(2000));
    timer.setEnabled(false);
    EXPECT_FALSE(timer.isCountingDown());
}

TEST(IntervalTimer, RestartsOnlyForANewIntervalOrAFreshEnable) {
    app::IntervalTimer timer;
    timer.setInterval(60000);
    timer.setEnabled(true);
    QTest::qWait(300);
    const int left = timer.remainingTime();
    EXPECT_LE(left, 59800);

    timer.setEnabled(true);    // already enabled
    timer.setInterval(60000);  // same interval
    EXPECT_LE(timer.remainingTime(), left);

    timer.setInterval(120000);
    EXPECT_GT(timer.remainingTime(), 100000);
    timer.setEnabled(false);
    EXPECT_EQ(timer.remainingTime(), -1);
}

TEST(IntervalTimer, HugeIntervalsNeverTickSoon) {
    app::IntervalTimer timer;
    timer.setInterval(static_cast<uint32_t>(-1));
    timer.setEnabled(true);
    EXPECT_TRUE(timer.isCountingDown());
    EXPECT_GT(timer.remainingTime(), 24 * 24 * 3600 * 1000);
}

class TimerRunTest : public ::testing::Test {
  protected:
    void SetUp() override {
        writeStoreConfig(folder, {{"0001", "S1"}});
        // Connection files that do not exist: the first database access fails.
        settings =
            std::make_unique<RegistrySettings>(folder.file("none.ini"), folder.file("none2.ini"));
    }
    void create(const QStringList& arguments = {}) {
        window = makeWindow(folder, arguments);
        window->show();
    }
    // Waits until the Memo1 ends with a timestamp after "Done..." or the error.
    bool waitForRunEnd() {
        return QTest::qWaitFor(
            [&] {
                const QStringList log = lines(*window->Memo1);
                return log.size() >= 2 && log.last().startsWith("2024/03/05-");
            },
            10000);
    }

    FixedClock clock;
    ErrorBoxRecorder errors;
    TempFolder folder;
    std::unique_ptr<RegistrySettings> settings;
    std::unique_ptr<app::TFormOlvarin> window;
};

TEST_F(TimerRunTest, IntervalBoxReadsDecimalIntegersAndFallsBackTo5000) {
    create();
    const struct {
        const char* text;
        uint32_t interval;
    } cases[] = {{"250", 250},  {"  +250", 250}, {"-1", 4294967295u}, {"abc", 5000}, {"", 5000},
                 {"12a", 5000}, {"1.5", 5000},   {" 0", 0},           {"0012", 12}};
    for (const auto& c : cases) {
        window->bsSkinEdit1->setText(c.text);
        EXPECT_EQ(window->Timer1->interval(), c.interval) << '"' << c.text << '"';
    }
}

TEST_F(TimerRunTest, ZeroIntervalNeverRunsUntilANumberIsTyped) {
    create();
    window->bsSkinEdit1->setText("0");
    window->CheckBox1->setChecked(true);
    EXPECT_TRUE(window->Timer1->enabled());
    EXPECT_FALSE(window->Timer1->isCountingDown());
    QTest::qWait(100);
    EXPECT_TRUE(lines(*window->Memo1).isEmpty());

    QTest::keyClick(window->bsSkinEdit1, Qt::Key_End);
    QTest::keyClicks(window->bsSkinEdit1, "7");  // "07"
    EXPECT_EQ(window->Timer1->interval(), 7u);
    EXPECT_TRUE(window->Timer1->isCountingDown());
    ASSERT_TRUE(waitForRunEnd());
    window->CheckBox1->setChecked(false);
    EXPECT_FALSE(window->Timer1->enabled());
}

TEST_F(TimerRunTest, RunWithNothingTickedEndsWithDoneAndATimestampAndRearms) {
    create();
    window->bsSkinEdit1->setText("20");
    window->CheckBox1->setChecked(true);
    ASSERT_TRUE(waitForRunEnd());
    window->CheckBox1->setChecked(false);
    EXPECT_EQ(lines(*window->Memo1), (QStringList{"Done...", "2024/03/05-10:20:30"}));
    EXPECT_TRUE(errors.texts().isEmpty());
    EXPECT_TRUE(window->isVisible());
}

TEST_F(TimerRunTest, FailingRunLogsTheErrorAndItsMessageAndRearms) {
    create();
    window->bsSkinCheckGroup1->setChecked(0, true);
    window->bsSkinEdit1->setText("20");
    window->CheckBox1->setChecked(true);
    ASSERT_TRUE(waitForRunEnd());
    const QStringList log = lines(*window->Memo1);
    ASSERT_EQ(log.size(), 5) << log.join("\n").toStdString();
    EXPECT_EQ(log[0], "2024/03/05-10:20:30");
    EXPECT_EQ(log[1], "商品大類...Loading.");
    EXPECT_EQ(log[2], "Data Tran Error ....");
    EXPECT_FALSE(log[3].isEmpty());
    EXPECT_EQ(log[4], "2024/03/05-10:20:30");
    EXPECT_TRUE(errors.texts().isEmpty());  // a timer run shows no box
    EXPECT_TRUE(window->Timer1->enabled());
    EXPECT_TRUE(window->Timer1->isCountingDown());

    // The next run starts over with a cleared log.
    window->Memo1->appendPlainText("marker");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !lines(*window->Memo1).contains("marker"); }, 10000));
    window->CheckBox1->setChecked(false);
}

TEST_F(TimerRunTest, UnattendedRunClosesTheWindowAfterOneRunWhetherItFailsOrNot) {
    for (const bool fail : {false, true}) {
        create({"a"});
        if (!fail) {
            for (int i = 0; i < 12; ++i) window->bsSkinCheckGroup1->setChecked(i, false);
        }
        window->bsSkinEdit1->setText("20");
        ASSERT_TRUE(QTest::qWaitFor([&] { return !window->isVisible(); }, 10000));
        EXPECT_EQ(window->exitStatus(), fail ? 1 : 0);
        const QStringList log = lines(*window->Memo1);
        EXPECT_EQ(log.contains("Done..."), !fail) << log.join("\n").toStdString();
        EXPECT_EQ(log.contains("Data Tran Error ...."), fail);
    }
}

}  // namespace
