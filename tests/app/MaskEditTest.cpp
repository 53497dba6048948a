// The date field's edit mask "!0000/99/99;1;_".

#include <gtest/gtest.h>
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>

#include "AppTestSupport.h"
#include "app/MaskEdit.h"

using namespace apptest;

namespace {

constexpr const char* kBlankDate = "    /  /  ";
const QString kMaskError = "Invalid input value.  Use escape key to abandon changes.";

// The field and a second control to move the focus to.
class MaskEditTest : public ::testing::Test {
  protected:
    void SetUp() override {
        auto* layout = new QVBoxLayout(&window);
        edit = new app::MaskEdit(&window);
        edit->setEditMask("!0000/99/99;1;_");
        other = new QLineEdit(&window);
        layout->addWidget(edit);
        layout->addWidget(other);
        showAndActivate(window);
        other->setFocus();  // the window gave it to the field
    }
    void enter() {
        edit->setFocus(Qt::TabFocusReason);
        ASSERT_TRUE(edit->hasFocus());
        QTest::keyClick(edit, Qt::Key_Home);
    }
    void leave() { other->setFocus(Qt::TabFocusReason); }
    QString shown() const { return edit->QLineEdit::text(); }

    ErrorBoxRecorder errors;
    QWidget window;
    app::MaskEdit* edit = nullptr;
    QLineEdit* other = nullptr;
};

TEST_F(MaskEditTest, EmptyFieldReadsAsBlanksAndShowsUnderscoresWhileEditing) {
    EXPECT_EQ(edit->text(), kBlankDate);
    EXPECT_EQ(shown(), kBlankDate);
    enter();
    EXPECT_EQ(shown(), "____/__/__");
    EXPECT_EQ(edit->text(), kBlankDate);
    leave();
    EXPECT_EQ(shown(), kBlankDate);
    EXPECT_TRUE(errors.texts().isEmpty());  // leaving unchanged is no error
}

TEST_F(MaskEditTest, TypedDigitsFillThePositionsAroundTheSeparators) {
    enter();
    QTest::keyClicks(edit, "2024x03");  // letters are refused; the cursor steps over "/"
    EXPECT_EQ(edit->text(), "2024/03/  ");
    QTest::keyClicks(edit, "/059");  // the last digit has no position left
    EXPECT_EQ(edit->text(), "2024/03/05");
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClick(edit, Qt::Key_Backspace);
    EXPECT_EQ(edit->text(), "2024/03/  ");
    EXPECT_EQ(shown(), "2024/03/__");
    leave();
    EXPECT_TRUE(errors.texts().isEmpty());  // blank day digits are accepted
}

TEST_F(MaskEditTest, SetTextPlacesDigitsAndLeavesOtherPositionsBlank) {
    edit->setText("2005/3");
    EXPECT_EQ(edit->text(), "2005/3 /  ");
    edit->setText("2005/03/01");
    EXPECT_EQ(edit->text(), "2005/03/01");
    EXPECT_FALSE(edit->isModified());
}

TEST_F(MaskEditTest, LeavingWithABlankYearDigitBeepsKeepsTheFocusAndRaises) {
    edit->setText("2024/03/05");
    enter();
    QTest::keyClick(edit, Qt::Key_End);
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_Delete);
    EXPECT_EQ(edit->text(), kBlankDate);
    leave();
    EXPECT_EQ(errors.texts(), QStringList{kMaskError});
    EXPECT_TRUE(edit->hasFocus());

    leave();  // still refused
    EXPECT_EQ(errors.texts().size(), 2);

    QTest::keyClick(edit, Qt::Key_Escape);
    EXPECT_EQ(edit->text(), "2024/03/05");
    leave();
    EXPECT_TRUE(other->hasFocus());
    EXPECT_EQ(errors.texts().size(), 2);
}

TEST_F(MaskEditTest, OneBlankYearDigitIsEnoughForTheError) {
    edit->setText("2024/03/05");
    enter();
    QTest::keyClick(edit, Qt::Key_Right);
    QTest::keyClick(edit, Qt::Key_Right);
    QTest::keyClick(edit, Qt::Key_Delete);  // "20 4/03/05"
    EXPECT_EQ(edit->text(), "20 4/03/05");
    leave();
    EXPECT_EQ(errors.texts(), QStringList{kMaskError});
}

TEST(DateFieldInWindow, ClearingTheDateAndLeavingIsRefusedUntilEscape) {
    FixedClock clock;
    ErrorBoxRecorder errors;
    TempFolder folder;
    writeStoreConfig(folder, {{"0001", "S1"}});
    auto window = makeWindow(folder);
    showAndActivate(*window);
    app::MaskEdit* date = window->MaskEdit1;
    date->setFocus(Qt::MouseFocusReason);
    QTest::keyClick(date, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(date, Qt::Key_Backspace);
    EXPECT_EQ(window->runRequest().filterDate, kBlankDate);
    window->CheckBox2->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(errors.texts(), QStringList{kMaskError});
    EXPECT_TRUE(date->hasFocus());
    QTest::keyClick(date, Qt::Key_Escape);
    EXPECT_EQ(window->runRequest().filterDate, kToday);
}

}  // namespace
