// Reading the store configuration at start-up, and what the window keeps when
// that fails.

#include <gtest/gtest.h>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>

#include "AppTestSupport.h"
#include "app/CheckGroup.h"
#include "app/MaskEdit.h"

using namespace apptest;

namespace {

constexpr const char* kBlankDate = "    /  /  ";

class StoreConfigTest : public ::testing::Test {
  protected:
    void create() { window = makeWindow(folder); }
    std::string configPath() const { return folder.file("Quelmar.dat"); }

    // Nothing of the configuration reached the window.
    void expectDesignValues() const {
        EXPECT_EQ(window->StoreId(), "");
        EXPECT_EQ(window->StockId(), "");
        EXPECT_EQ(window->runRequest().filterDate, kBlankDate);
        EXPECT_EQ(window->Ed_Store->text(), QString("Ed_Store"));
    }

    FixedClock clock;
    ErrorBoxRecorder errors;
    TempFolder folder;
    std::unique_ptr<app::TFormOlvarin> window;
};

TEST_F(StoreConfigTest, MissingFileIsReportedWithItsPathAndTheSystemText) {
    create();
    ASSERT_EQ(errors.texts().size(), 1);
    EXPECT_EQ(errors.texts()[0].toStdString(),
              "Cannot open file \"" + configPath() + "\". No such file or directory.");
    expectDesignValues();
    EXPECT_EQ(window->bsSkinCheckGroup1->count(), 12);  // the window is there and works
}

// OK without a store id: the error box says why and nothing of a run starts (no
// connections file is there, whose absence a run would report instead).
TEST_F(StoreConfigTest, OkWithoutAStoreIdShowsWhyInTheErrorBox) {
    create();
    window->bsSkinButton1->click();
    ASSERT_EQ(errors.texts().size(), 2);
    EXPECT_EQ(errors.texts()[1].toStdString(),
              "No store id, nothing downloaded: " + configPath() +
                  " could not be read at start-up (Cannot open file \"" + configPath() +
                  "\". No such file or directory). Write it with olvarin-storecfg --store-id ID "
                  "--stock-id ID and start olvarin again.");
    EXPECT_TRUE(lines(*window->Memo1).filter("...Loading.").isEmpty());
}

TEST_F(StoreConfigTest, EmptyFileHasNoDataPacket) {
    folder.writeFile("Quelmar.dat", "");
    create();
    EXPECT_EQ(errors.texts(), QStringList{"Missing data provider or data packet."});
    expectDesignValues();
}

TEST_F(StoreConfigTest, MalformedFilesNameTheFileAndTheReason) {
    for (const char* content : {"storeid=0001\n", "{\"fields\": [], \"rows\": {}}",
                                "{\"fields\": [{\"name\": \"storeid\", \"type\": \"string\"}],"
                                " \"rows\": [[\"1\", \"2\"]]}"}) {
        ErrorBoxRecorder recorder;
        folder.writeFile("Quelmar.dat", content);
        create();
        ASSERT_EQ(recorder.texts().size(), 1) << content;
        EXPECT_TRUE(recorder.texts()[0].startsWith(
            QString::fromStdString("Invalid table file \"" + configPath() + "\": ")))
            << recorder.texts()[0].toStdString();
        expectDesignValues();
    }
}

TEST_F(StoreConfigTest, MissingStoreIdFieldEndsStartUpBeforeAnythingIsRead) {
    db::saveTableFile(configPath(), textTable({"store", "stock_id"}, {{"0001", "S1"}}));
    create();
    EXPECT_EQ(errors.texts(), QStringList{"Field 'storeid' not found."});
    expectDesignValues();
}

TEST_F(StoreConfigTest, MissingStockIdFieldKeepsTheStoreIdOnly) {
    db::saveTableFile(configPath(), textTable({"storeid", "stock"}, {{"0001", "S1"}}));
    create();
    EXPECT_EQ(errors.texts(), QStringList{"Field 'stock_id' not found."});
    EXPECT_EQ(window->StoreId(), "0001");
    EXPECT_EQ(window->StockId(), "");
    EXPECT_EQ(window->runRequest().filterDate, kBlankDate);
    EXPECT_EQ(window->Ed_Store->text(), QString("Ed_Store"));
}

TEST_F(StoreConfigTest, TableWithoutRowsGivesEmptyValuesAndNoError) {
    writeStoreConfig(folder, {});
    create();
    EXPECT_TRUE(errors.texts().isEmpty()) << errors.texts().join("|").toStdString();
    EXPECT_EQ(window->StoreId(), "");
    EXPECT_EQ(window->StockId(), "");
    EXPECT_EQ(window->runRequest().filterDate, kToday);
    EXPECT_EQ(window->Ed_Store->text(), QString());
}

TEST_F(StoreConfigTest, FirstRowCountsAndLeadingZerosStay) {
    writeStoreConfig(folder, {{"000120", "0009"}, {"2", "3"}});
    create();
    EXPECT_TRUE(errors.texts().isEmpty());
    EXPECT_EQ(window->StoreId(), "000120");
    EXPECT_EQ(window->StockId(), "0009");
    EXPECT_EQ(window->Ed_Store->text(), QString("000120"));
}

TEST_F(StoreConfigTest, FurtherFieldsAndNullValuesAreHarmless) {
    db::TableData table = textTable({"region", "storeid", "stock_id"}, {{"N", "0003", ""}});
    table.rows[0][2] = db::Value::null();
    db::saveTableFile(configPath(), table);
    create();
    EXPECT_TRUE(errors.texts().isEmpty());
    EXPECT_EQ(window->StoreId(), "0003");
    EXPECT_EQ(window->StockId(), "");
}

TEST_F(StoreConfigTest, EditingTheStoreDisplayDoesNotChangeTheStoreId) {
    writeStoreConfig(folder, {{"0001", "S1"}});
    create();
    window->Ed_Store->setText("0099");
    EXPECT_EQ(window->StoreId(), "0001");
}

TEST_F(StoreConfigTest, UnattendedStartLogsTheErrorInsteadOfShowingIt) {
    app::FormStartOptions options;
    options.storeConfigDir = folder.path();
    options.arguments = QStringList{"a"};
    options.startupErrorsToLog = true;
    window = std::make_unique<app::TFormOlvarin>(options);
    EXPECT_TRUE(errors.texts().isEmpty());
    EXPECT_EQ(lines(*window->Memo1),
              QStringList{QString::fromStdString("Cannot open file \"" + configPath() +
                                                 "\". No such file or directory")});
}

TEST_F(StoreConfigTest, CompanionCommandWritesWhatTheWindowReads) {
    QProcess command;
    command.start(QString::fromStdString(binaryDir() + "olvarin-storecfg"),
                  {"--store-id", "00042", "--stock-id", "0007", "--output",
                   QString::fromStdString(configPath())});
    ASSERT_TRUE(command.waitForFinished(10000));
    ASSERT_EQ(command.exitCode(), 0) << command.readAllStandardError().toStdString();
    create();
    EXPECT_TRUE(errors.texts().isEmpty()) << errors.texts().join("|").toStdString();
    EXPECT_EQ(window->StoreId(), "00042");
    EXPECT_EQ(window->StockId(), "0007");
}

TEST_F(StoreConfigTest, CompanionCommandRefusesIncompleteArguments) {
    QProcess command;
    command.start(QString::fromStdString(binaryDir() + "olvarin-storecfg"),
                  {"--store-id", "1", "--output", QString::fromStdString(configPath())});
    ASSERT_TRUE(command.waitForFinished(10000));
    EXPECT_NE(command.exitCode(), 0);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(configPath())));
}

}  // namespace
