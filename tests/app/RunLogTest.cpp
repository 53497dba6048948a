// The OK button's run as the log shows it.

#include <gtest/gtest.h>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QTest>

#include "AppTestSupport.h"
#include "app/CheckGroup.h"
#include "app/RadioGroup.h"
#include "tests/support/TestDatabases.h"

using namespace apptest;

namespace {

class RunLogTest : public ::testing::Test {
  protected:
    void create() {
        writeStoreConfig(folder, {{"0001", "S1"}});
        window = makeWindow(folder);
        showAndActivate(*window);
        window->appendLog("left from before");
    }
    void tickAll() {
        for (int i = 0; i < 12; ++i) window->bsSkinCheckGroup1->setChecked(i, true);
    }
    void pressOk() { QTest::mouseClick(window->bsSkinButton1, Qt::LeftButton); }

    FixedClock clock;
    ErrorBoxRecorder errors;
    TempFolder folder;
    std::unique_ptr<app::TFormOlvarin> window;
};

TEST_F(RunLogTest, NothingTickedLeavesOnlyDone) {
    RegistrySettings settings(folder.file("none.ini"), folder.file("none2.ini"));
    create();
    pressOk();
    EXPECT_EQ(lines(*window->Memo1), QStringList{"Done..."});
    EXPECT_TRUE(errors.texts().isEmpty());
}

TEST_F(RunLogTest, AllTwelveInSpecifiedModeGiveTheirHeadersThenDone) {
    testsupport::TestDatabases databases;
    const auto [connections, drivers] = databases.writeRegistry();
    RegistrySettings settings(connections, drivers);
    create();
    tickAll();
    window->bsSkinRadioGroup1->setItemIndex(engine::kModeSpecified);
    pressOk();
    EXPECT_TRUE(errors.texts().isEmpty()) << errors.texts().join("|").toStdString();

    QStringList expected;
    for (int i = 0; i < 12; ++i) {
        expected << "2024/03/05-10:20:30"
                 << window->bsSkinCheckGroup1->itemCaption(i) + "...Loading.";
    }
    expected << "Done...";
    EXPECT_EQ(lines(*window->Memo1), expected);
}

// "Bulk Download" and "Bulk Threshold" are read at every run: auto, in any letter
// case, logs each category's path; a threshold that is not a whole number above 0
// is the default; true takes the bulk path without a word, anything else is off.
TEST_F(RunLogTest, BulkDownloadAutoLogsEachCategorysPath) {
    testsupport::TestDatabases databases;
    databases.execTarget("INSERT INTO PROD_TOPITEM (TOP_ITEMID) VALUES ('T1')");
    databases.execTarget("INSERT INTO PROD_TOPITEM (TOP_ITEMID) VALUES ('T2')");
    const auto [connections, drivers] = databases.writeRegistry();
    RegistrySettings settings(connections, drivers);
    QSettings program(QStringLiteral("olvarin"), QStringLiteral("olvarin"));
    create();
    window->bsSkinCheckGroup1->setChecked(0, true);
    window->bsSkinRadioGroup1->setItemIndex(engine::kModeChanged);
    const QString byDefault = "Default path: the branch's PROD_TOPITEM holds 2";
    const struct {
        const char* bulkDownload;
        const char* threshold;
        QStringList pathLines;
    } steps[] = {
        {"Auto", "1", {"Bulk path: the branch's PROD_TOPITEM holds more than 1 rows"}},
        {"auto", "0", {byDefault}},
        {"AUTO", "1x", {byDefault}},
        {"auto", "", {byDefault}},
        {"true", "1", {}},
        {"yes", "1", {}},
    };
    for (const auto& step : steps) {
        program.setValue(QStringLiteral("Bulk Download"), step.bulkDownload);
        program.setValue(QStringLiteral("Bulk Threshold"), step.threshold);
        program.sync();
        pressOk();
        EXPECT_EQ(lines(*window->Memo1).filter(QRegularExpression("^(Bulk|Default) path")),
                  step.pathLines)
            << step.bulkDownload << " " << step.threshold;
    }
    EXPECT_TRUE(errors.texts().isEmpty()) << errors.texts().join("|").toStdString();
}

TEST_F(RunLogTest, ButtonRunErrorGoesToTheErrorBoxAndTheLogStopsAtIt) {
    RegistrySettings settings(folder.file("none.ini"), folder.file("none2.ini"));
    create();
    window->bsSkinCheckGroup1->setChecked(0, true);
    window->bsSkinCheckGroup1->setChecked(1, true);
    pressOk();
    ASSERT_EQ(errors.texts().size(), 1);
    EXPECT_FALSE(errors.texts()[0].isEmpty());
    EXPECT_EQ(lines(*window->Memo1), (QStringList{"2024/03/05-10:20:30", "商品大類...Loading."}));
    EXPECT_TRUE(window->isVisible());  // the window carries on
}

}  // namespace
