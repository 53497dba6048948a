// The built program, started with "a" the way a scheduler starts it: in a folder
// of its own, with no display.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <gtest/gtest.h>

#include "AppTestSupport.h"
#include "tests/support/TestDatabases.h"

using namespace apptest;

namespace {

const QRegularExpression kTimestamp("^\\d{4}/\\d{2}/\\d{2}-\\d{2}:\\d{2}:\\d{2}$");

struct Outcome {
    int exitCode = -1;
    QStringList out;
    QString err;
};

class EndToEndTest : public ::testing::Test {
protected:
    // The program copied into the folder (a symbolic link would make it look for
    // its files beside the original).
    void installProgram() {
        const QString program = QString::fromStdString(folder.file("olvarin"));
        ASSERT_TRUE(QFile::copy(QString::fromStdString(binaryDir() + "olvarin"), program));
        QFile::setPermissions(program, QFile::permissions(program) | QFile::ExeOwner);
    }
    void writeStoreConfigWithCommand() {
        QProcess command;
        command.start(QString::fromStdString(binaryDir() + "olvarin-storecfg"),
                      {"--store-id", "0001", "--stock-id", "S1", "--output",
                       QString::fromStdString(folder.file("Quelmar.dat"))});
        ASSERT_TRUE(command.waitForFinished(10000));
        ASSERT_EQ(command.exitCode(), 0);
    }
    Outcome runUnattended() {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) env.remove(name);
        env.insert("XDG_CONFIG_HOME", QString::fromStdString(config.path()));
        QProcess program;
        program.setProcessEnvironment(env);
        program.setWorkingDirectory(QDir::tempPath());
        program.start(QString::fromStdString(folder.file("olvarin")), {"a"});
        Outcome outcome;
        if (!program.waitForFinished(120000)) {
            program.kill();
            program.waitForFinished();
            return outcome;
        }
        outcome.exitCode = program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -2;
        outcome.out = QString::fromUtf8(program.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
        outcome.err = QString::fromUtf8(program.readAllStandardError());
        return outcome;
    }
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

    TempFolder folder;
    TempFolder config;
};

TEST_F(EndToEndTest, WithoutConnectionFilesTheRunFailsAndTheProgramEndsWithStatus1) {
    installProgram();
    writeStoreConfigWithCommand();
    const Outcome outcome = runUnattended();
    expectFailedRun(outcome);
    EXPECT_FALSE(outcome.err.contains("Cannot open file")) << outcome.err.toStdString();
}

TEST_F(EndToEndTest, MissingStoreConfigurationIsReportedAndTheRunGoesOn) {
    installProgram();
    const Outcome outcome = runUnattended();
    EXPECT_TRUE(outcome.err.contains("Cannot open file \"" + QString::fromStdString(folder.file("Quelmar.dat")) +
                                     "\". No such file or directory"))
        << outcome.err.toStdString();
    expectFailedRun(outcome);
}

TEST_F(EndToEndTest, CompleteRunOnEmptyDatabasesEndsWithDoneAndStatus0) {
    installProgram();
    writeStoreConfigWithCommand();
    testsupport::TestDatabases databases;
    const auto [connections, drivers] = databases.writeRegistry();
    databases.detachAll();
    {
        QSettings settings(QString::fromStdString(config.file("olvarin/olvarin.conf")), QSettings::IniFormat);
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
