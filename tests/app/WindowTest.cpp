// The main window as it opens, and its two own handlers.

#include <gtest/gtest.h>
#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>

#include "AppTestSupport.h"
#include "app/CheckGroup.h"
#include "app/IntervalTimer.h"
#include "app/MaskEdit.h"
#include "app/RadioGroup.h"

using namespace apptest;

namespace {

const QStringList kCaptions = {"商品大類", "商品中類", "商品小類", "商品資料",
                               "廠商資料", "販促單據", "批銷資料", "變價單據",
                               "廠商詢價", "廠商優惠", "商品包裝", "客戶資料"};

// A click on a check box's indicator (the middle of a stretched box may be empty).
void clickBox(QCheckBox* box) {
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
}

class WindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        writeStoreConfig(folder, {{"00012", "S7"}});
        window = makeWindow(folder);
        showAndActivate(*window);
    }

    std::vector<bool> ticked() const {
        std::vector<bool> result;
        for (bool ticked : window->runRequest().ticked) result.push_back(ticked);
        return result;
    }
    std::vector<bool> enabled() const {
        std::vector<bool> result;
        for (int i = 0; i < window->bsSkinCheckGroup1->count(); ++i)
            result.push_back(window->bsSkinCheckGroup1->item(i)->isEnabled());
        return result;
    }

    FixedClock clock;
    ErrorBoxRecorder errors;
    TempFolder folder;
    std::unique_ptr<app::TFormOlvarin> window;
};

const std::vector<bool> kAll(12, true);
const std::vector<bool> kNone(12, false);

TEST_F(WindowTest, OpensWithTheDesignAndStartUpValues) {
    auto& w = *window;
    EXPECT_TRUE(errors.texts().isEmpty()) << errors.texts().join("|").toStdString();
    EXPECT_EQ(w.windowTitle(), QString("總部下傳分部作業"));
    EXPECT_EQ(w.size(), QSize(598, 390));

    ASSERT_EQ(w.bsSkinCheckGroup1->count(), 12);
    for (int i = 0; i < 12; ++i) EXPECT_EQ(w.bsSkinCheckGroup1->itemCaption(i), kCaptions[i]) << i;
    EXPECT_EQ(w.bsSkinCheckGroup1->itemCaption(12), "");
    EXPECT_FALSE(w.bsSkinCheckGroup1->isChecked(-1));
    EXPECT_FALSE(w.bsSkinCheckGroup1->isChecked(12));
    EXPECT_EQ(ticked(), kNone);
    EXPECT_EQ(enabled(), kAll);
    EXPECT_EQ(w.bsSkinCheckGroup1->captionBox()->text(), QString("接收檔案"));
    EXPECT_FALSE(w.bsSkinCheckGroup1->captionBox()->isChecked());

    EXPECT_EQ(w.runRequest().mode, engine::kModeChanged);
    EXPECT_EQ(w.bsSkinRadioGroup1->item(1)->text(), QString("異動"));
    EXPECT_EQ(w.bsSkinPageControl1->currentWidget(), w.bsSkinTabSheet1);
    EXPECT_TRUE(w.runRequest().dateFilterOn);
    EXPECT_EQ(w.CheckBox2->text(), QString("指定日期"));
    EXPECT_EQ(w.runRequest().filterDate, kToday);
    EXPECT_EQ(w.Ed_Store->text(), QString("00012"));
    EXPECT_EQ(w.StoreId(), "00012");
    EXPECT_EQ(w.StockId(), "S7");
    EXPECT_EQ(w.gaugeMax(), 100);
    EXPECT_EQ(w.gaugeValue(), 50);
    EXPECT_EQ(w.bsSkinGauge1->value(), 50);
    EXPECT_FALSE(w.bsSkinGauge1->isTextVisible());
    EXPECT_EQ(w.bsSkinEdit1->text(), QString("5000"));
    EXPECT_FALSE(w.CheckBox1->isChecked());
    EXPECT_EQ(w.CheckBox1->text(), QString("Auto"));
    EXPECT_FALSE(w.Timer1->enabled());
    EXPECT_EQ(w.Timer1->interval(), 5000u);
    EXPECT_TRUE(w.Memo1->toPlainText().isEmpty());
    EXPECT_TRUE(w.Memo1->isReadOnly());
    EXPECT_TRUE(w.Memo2->toPlainText().isEmpty());
    EXPECT_EQ(w.bsSkinButton1->text(), QString("確定"));
    EXPECT_EQ(w.bsSkinButton2->text(), QString("離開"));
}

TEST_F(WindowTest, EveryControlCarriesItsComponentName) {
    for (const char* name : {"bsSkinPanel1",  "bsSkinStdLabel1",    "Ed_Store",
                             "Label1",        "bsSkinEdit1",        "CheckBox1",
                             "bsSkinPanel2",  "bsSkinPanel4",       "bsSkinCheckGroup1",
                             "bsSkinPanel5",  "bsSkinPanel6",       "bsSkinRadioGroup1",
                             "bsSkinPanel7",  "bsSkinPageControl1", "bsSkinTabSheet1",
                             "Memo1",         "bsSkinTabSheet2",    "Memo2",
                             "bsSkinPanel8",  "CheckBox2",          "MaskEdit1",
                             "bsSkinButton1", "bsSkinButton2",      "bsSkinPanel3",
                             "bsSkinGauge1"}) {
        EXPECT_NE(window->findChild<QWidget*>(name), nullptr) << name;
    }
    EXPECT_NE(window->findChild<app::IntervalTimer*>("Timer1"), nullptr);
    EXPECT_EQ(window->Memo1->parentWidget(), window->bsSkinTabSheet1);
    EXPECT_EQ(window->Memo2->parentWidget(), window->bsSkinTabSheet2);
}

TEST_F(WindowTest, CaptionBoxTicksEveryEntryAndSwitchesWhetherTheyCanBeChanged) {
    QCheckBox* captionBox = window->bsSkinCheckGroup1->captionBox();
    clickBox(captionBox);
    EXPECT_TRUE(captionBox->isChecked());
    EXPECT_EQ(ticked(), kAll);
    EXPECT_EQ(enabled(), kAll);

    clickBox(captionBox);
    EXPECT_FALSE(captionBox->isChecked());
    EXPECT_EQ(ticked(), kAll);
    EXPECT_EQ(enabled(), kNone);
    clickBox(window->bsSkinCheckGroup1->item(3));  // greyed: cannot be unticked
    EXPECT_TRUE(window->bsSkinCheckGroup1->isChecked(3));
}

TEST_F(WindowTest, CaptionBoxTicksAgainAnEntryUntickedByHand) {
    clickBox(window->bsSkinCheckGroup1->captionBox());
    clickBox(window->bsSkinCheckGroup1->item(4));
    EXPECT_FALSE(window->bsSkinCheckGroup1->isChecked(4));
    clickBox(window->bsSkinCheckGroup1->captionBox());
    EXPECT_EQ(ticked(), kAll);
}

TEST_F(WindowTest, TickingFromTheProgramRunsNoHandler) {
    window->bsSkinCheckGroup1->setChecked(2, true);
    window->bsSkinCheckGroup1->setChecked(99, true);
    std::vector<bool> expected = kNone;
    expected[2] = true;
    EXPECT_EQ(ticked(), expected);
    EXPECT_EQ(enabled(), kAll);
}

TEST_F(WindowTest, SpecifiedModeShowsTheSecondPageAndOtherModesTheLog) {
    window->appendLog("first line");
    window->appendLog("second line");
    QTest::mouseClick(window->bsSkinRadioGroup1->item(2), Qt::LeftButton, {}, QPoint(8, 8));
    EXPECT_EQ(window->runRequest().mode, engine::kModeSpecified);
    EXPECT_EQ(window->bsSkinPageControl1->currentWidget(), window->bsSkinTabSheet2);

    QTest::mouseClick(window->bsSkinRadioGroup1->item(0), Qt::LeftButton, {}, QPoint(8, 8));
    EXPECT_EQ(window->runRequest().mode, engine::kModeAll);
    EXPECT_EQ(window->bsSkinPageControl1->currentWidget(), window->bsSkinTabSheet1);
    EXPECT_EQ(lines(*window->Memo1), (QStringList{"first line", "second line"}));
}

TEST_F(WindowTest, GaugeKeepsValuesOutsideItsRange) {
    window->setGauge(1, 0);
    EXPECT_EQ(window->gaugeValue(), 1);
    EXPECT_EQ(window->bsSkinGauge1->value(), 1);
    window->setGauge(5, 3);
    EXPECT_EQ(window->gaugeValue(), 5);
    EXPECT_EQ(window->gaugeMax(), 3);
    EXPECT_EQ(window->bsSkinGauge1->value(), 3);
}

TEST_F(WindowTest, ExitButtonClosesTheWindow) {
    QTest::mouseClick(window->bsSkinButton2, Qt::LeftButton);
    EXPECT_FALSE(window->isVisible());
}

}  // namespace
