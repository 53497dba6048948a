#include "ProgramFolder.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <gtest/gtest.h>

#include "tests/support/TestDatabases.h"

namespace apptest {
namespace {

void copyExecutable(const std::string& from, const std::string& to) {
    const QString target = QString::fromStdString(to);
    ASSERT_TRUE(QFile::copy(QString::fromStdString(from), target)) << from;
    QFile::setPermissions(target, QFile::permissions(target) | QFile::ExeOwner);
}

std::string section(const std::string& name, const std::string& database, const std::string& password) {
    return "[" + name + "]\nDriverName=Interbase\nDatabase=" + database +
           "\nRoleName=RoleName\nUser_Name=OLVTEST\nPassword=" + password +
           "\nServerCharSet=UTF8\nSQLDialect=3\nBlobSize=-1\nCommitRetain=False\nWaitOnLocks=True\n"
           "ErrorResourceFile=\nLocaleCode=0000\nInterbase TransIsolation=ReadCommited\nTrim Char=False\n";
}

}  // namespace

std::string Outcome::text() const {
    return "exit " + std::to_string(exitCode) + "\n" + out.join("\n").toStdString() +
           "\n--- stderr:\n" + err.toStdString();
}

ProgramFolder::ProgramFolder() { copyExecutable(binaryDir() + "olvarin", folder_.file("olvarin")); }

void ProgramFolder::installDriverModule() {
    copyExecutable(testsupport::driverModulePath(), folder_.file("libdbxfb.so"));
    folder_.writeFile("dbxdrivers.ini",
                      "[Interbase]\nLibraryName=libdbxfb.so\nGetDriverFunc=getSQLDriverINTERBASE\n"
                      "VendorLib=libfbclient.so.2\n");
}

void ProgramFolder::writeStoreConfigWithCommand() {
    QProcess command;
    command.start(QString::fromStdString(binaryDir() + "olvarin-storecfg"),
                  {"--store-id", "0001", "--stock-id", "S1", "--output",
                   QString::fromStdString(folder_.file("Quelmar.dat"))});
    ASSERT_TRUE(command.waitForFinished(10000));
    ASSERT_EQ(command.exitCode(), 0);
}

void ProgramFolder::writeConnections(const std::string& sourceDatabase, const std::string& targetDatabase,
                                     const std::string& sourcePassword) {
    folder_.writeFile("dbxconnections.ini", section("Dravonel", sourceDatabase, sourcePassword) + "\n" +
                                                section("Corvane", targetDatabase, "olvtest"));
}

void ProgramFolder::setSetting(const char* key, const std::string& value) const {
    QSettings settings(QString::fromStdString(config_.file("olvarin/olvarin.conf")), QSettings::IniFormat);
    settings.setValue(QLatin1String(key), QString::fromStdString(value));
}

Outcome ProgramFolder::runUnattended(int timeoutMs) const {
    const std::unique_ptr<QProcess> program = startUnattended();
    return waitForEnd(*program, timeoutMs);
}

std::unique_ptr<QProcess> ProgramFolder::startUnattended() const {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) env.remove(name);
    env.insert("XDG_CONFIG_HOME", QString::fromStdString(config_.path()));
    auto program = std::make_unique<QProcess>();
    program->setProcessEnvironment(env);
    program->setWorkingDirectory(QDir::tempPath());
    program->start(QString::fromStdString(folder_.file("olvarin")), {"a"});
    return program;
}

Outcome ProgramFolder::waitForEnd(QProcess& program, int timeoutMs) {
    Outcome outcome;
    if (!program.waitForFinished(timeoutMs)) {
        program.kill();
        program.waitForFinished();
    } else {
        outcome.exitCode = program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -2;
    }
    outcome.out = QString::fromUtf8(program.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    outcome.err = QString::fromUtf8(program.readAllStandardError());
    return outcome;
}

}  // namespace apptest
