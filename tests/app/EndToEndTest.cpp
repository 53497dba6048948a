// The built program, started with "a" the way a scheduler starts it: in a folder
// of its own, with no display.

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>

#include "AppTestSupport.h"
#include "ProgramFolder.h"
#include "tests/support/TestDatabases.h"

using namespace apptest;

namespace {

const QRegularExpression kTimestamp("^\\d{4}/\\d{2}/\\d{2}-\\d{2}:\\d{2}:\\d{2}$");

class EndToEndTest : public ::testing::Test {
  protected:
    void writeStoreConfigWithCommand() { folder.writeStoreConfigWithCommand(); }
    Outcome runUnattended() { return folder.runUnattended(); }
    // The error line, the message after it and the closing timestamp.
    static void expectFailedRun(const Outcome& outcome) {
        const QString log = outcome.out.join("\n") + "\n--- stderr:\n" + outcome.err;
        EXPECT_EQ(outcome.exitCode, 1) << log.toStdString();
        const qsizetype error = outcome.out.indexOf("Data Tran Error ....");
        ASSERT_GE(error, 1) << log.toStdString();
        EXPECT_EQ(outcome.out[error - 1], "商品大類...Loading.");
        ASSERT_EQ(outcome.out.size(), error + 3) << log.toStdString();
        EXPECT_FALSE(kTimestamp.match(outcome.out[error + 1]).hasMatch());
        EXPECT_TRUE(kTimestamp.match(outcome.out[error + 2]).hasMatch());
        EXPECT_FALSE(outcome.out.contains("Done..."));
    }

    ProgramFolder folder;
};

TEST_F(EndToEndTest, WithoutConnectionFilesTheRunFailsAndTheProgramEndsWithStatus1) {
    writeStoreConfigWithCommand();
    const Outcome outcome = runUnattended();
    expectFailedRun(outcome);
    EXPECT_FALSE(outcome.err.contains("Cannot open file")) << outcome.err.toStdString();
}

TEST_F(EndToEndTest, MissingStoreConfigurationIsReportedAndNoDownloadStarts) {
    const Outcome outcome = runUnattended();
    EXPECT_TRUE(outcome.err.contains("Cannot open file \"" +
                                     QString::fromStdString(folder.file("Quelmar.dat")) +
                                     "\". No such file or directory"))
        << outcome.err.toStdString();
    EXPECT_EQ(outcome.exitCode, 1) << outcome.text();
    const qsizetype error = outcome.out.indexOf("Data Tran Error ....");
    ASSERT_GE(error, 0) << outcome.text();
    EXPECT_TRUE(outcome.out.value(error + 1).startsWith("No store id, nothing downloaded: "))
        << outcome.text();
    EXPECT_TRUE(outcome.out.filter("...Loading.").isEmpty()) << outcome.text();
}

TEST_F(EndToEndTest, CompleteRunOnEmptyDatabasesEndsWithDoneAndStatus0) {
    writeStoreConfigWithCommand();
    testsupport::TestDatabases databases;
    const auto [connections, drivers] = databases.writeRegistry();
    databases.detachAll();
    {
        QSettings settings(
            QString::fromStdString(folder.configFolder().file("olvarin/olvarin.conf")),
            QSettings::IniFormat);
        settings.setValue("Connection Registry File", QString::fromStdString(connections));
        settings.setValue("Driver Registry File", QString::fromStdString(drivers));
    }
    const Outcome outcome = runUnattended();
    const QString log = outcome.out.join("\n") + "\n--- stderr:\n" + outcome.err;
    EXPECT_EQ(outcome.exitCode, 0) << log.toStdString();
    ASSERT_GE(outcome.out.size(), 2) << log.toStdString();
    EXPECT_EQ(outcome.out[outcome.out.size() - 2], "Done...") << log.toStdString();
    EXPECT_EQ(outcome.out.filter("...Loading.").size(), 12);
}

}  // namespace
