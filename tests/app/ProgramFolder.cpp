#include "ProgramFolder.h"

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>

#include "tests/support/TestDatabases.h"

namespace apptest {
namespace {

void copyExecutable(const std::string& from, const std::string& to) {
    const QString target = QString::fromStdString(to);
    ASSERT_TRUE(QFile::copy(QString::fromStdString(from), target)) << from;
    QFile::setPermissions(target, QFile::permissions(target) | QFile::ExeOwner);
}

std::string section(const std::string& name, const std::string& database,
                    const std::string& password) {
    return "[" + name + "]\nDriverName=Interbase\nDatabase=" + database +
           "\nRoleName=RoleName\nUser_Name=OLVTEST\nPassword=" + password +
           "\nServerCharSet=UTF8\nSQLDialect=3\nBlobSize=-1\nCommitRetain=False\nWaitOnLocks=True\n"
           "ErrorResourceFile=\nLocaleCode=0000\nInterbase TransIsolation=ReadCommited\nTrim "
           "Char=False\n";
}

}  // namespace

bool runningAsRoot() {
    return ::geteuid() == 0;
}

void openToEveryone(const TempFolder& folder) {
    ::chmod(folder.path().c_str(), 0777);
}

std::string Outcome::text() const {
    return "exit " + std::to_string(exitCode) + "\n" + out.join("\n").toStdString() +
           "\n--- stderr:\n" + err.toStdString();
}

ProgramFolder::ProgramFolder() {
    copyExecutable(binaryDir() + "olvarin", folder_.file("olvarin"));
}

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

void ProgramFolder::writeConnections(const std::string& sourceDatabase,
                                     const std::string& targetDatabase,
                                     const std::string& sourcePassword) {
    folder_.writeFile("dbxconnections.ini", section("Dravonel", sourceDatabase, sourcePassword) +
                                                "\n" +
                                                section("Corvane", targetDatabase, "olvtest"));
}

void ProgramFolder::runAsNobody() {
    asNobody_ = true;
    openToEveryone(folder_);
    openToEveryone(config_);
}

void ProgramFolder::setSetting(const char* key, const std::string& value) const {
    QSettings settings(QString::fromStdString(config_.file("olvarin/olvarin.conf")),
                       QSettings::IniFormat);
    settings.setValue(QLatin1String(key), QString::fromStdString(value));
}

Outcome ProgramFolder::run(const QStringList& arguments, const QStringList& environment,
                           int timeoutMs) const {
    const std::unique_ptr<QProcess> program = start(arguments, environment);
    return waitForEnd(*program, timeoutMs);
}

std::unique_ptr<QProcess> ProgramFolder::start(const QStringList& arguments,
                                               const QStringList& environment) const {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) env.remove(name);
    env.insert("XDG_CONFIG_HOME", QString::fromStdString(config_.path()));
    for (const QString& entry : environment)
        env.insert(entry.section('=', 0, 0), entry.section('=', 1));
    auto program = std::make_unique<QProcess>();
    program->setProcessEnvironment(env);
    program->setWorkingDirectory(QDir::tempPath());
    if (asNobody_) {
        const struct passwd* nobody = ::getpwnam("nobody");
        EXPECT_NE(nobody, nullptr);
        const uid_t uid = nobody ? nobody->pw_uid : 65534;
        const gid_t gid = nobody ? nobody->pw_gid : 65534;
        program->setChildProcessModifier([uid, gid] {
            if (::setgroups(0, nullptr) != 0 || ::setgid(gid) != 0 || ::setuid(uid) != 0)
                ::_exit(125);
        });
    }
    program->start(QString::fromStdString(folder_.file("olvarin")), arguments);
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
    outcome.out =
        QString::fromUtf8(program.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    outcome.err = QString::fromUtf8(program.readAllStandardError());
    return outcome;
}

}  // namespace apptest
