// The built olvarin-check as a branch runs it: copied into a folder of its own with
// the store configuration beside it, the INI files named by the per-user settings,
// started from another working directory.

#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <sstream>

#include "tests/check/CheckFixture.h"

namespace fs = std::filesystem;

namespace {

struct Outcome {
    int exitStatus = -1;  // -1: did not exit normally
    std::vector<std::string> lines;
};

class CheckCommand : public ::testing::Test {
  protected:
    void SetUp() override {
        install = branch.dbs.folder() + "/install";
        config = branch.dbs.folder() + "/config";
        fs::create_directories(install);
        fs::create_directories(config + "/olvarin");
        fs::copy_file(OLVARIN_CHECK_PROGRAM, install + "/olvarin-check");
        fs::rename(branch.storeConfig(), install + "/Quelmar.dat");
        checktest::writeText(config + "/olvarin/olvarin.conf",
                             "[General]\nConnection Registry File=" + branch.connections +
                                 "\nDriver Registry File=" + branch.drivers + "\n");
        branch.dbs.detachAll();  // the command opens the files embedded itself
    }

    // No service unit unless unit names one of the test's own.
    Outcome runCommand(const std::string& unit = "/no-such/olvarin.service") const {
        const std::string command = "cd / && XDG_CONFIG_HOME=" + config +
                                    " OLVARIN_SERVICE_UNIT=" + unit + " " + install +
                                    "/olvarin-check 2>&1";
        Outcome outcome;
        FILE* pipe = popen(command.c_str(), "r");
        if (!pipe) return outcome;
        std::string text;
        char buffer[4096];
        for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) text.append(buffer, n);
        const int status = pclose(pipe);
        if (WIFEXITED(status)) outcome.exitStatus = WEXITSTATUS(status);
        std::istringstream in(text);
        for (std::string line; std::getline(in, line);) outcome.lines.push_back(line);
        return outcome;
    }

    static std::string joined(const Outcome& o) {
        std::string text;
        for (const auto& line : o.lines) text += line + "\n";
        return text;
    }

    checktest::Branch branch;
    std::string install;
    std::string config;
};

TEST_F(CheckCommand, ReadsTheFilesTheProgramReadsAndExitsWith0) {
    const Outcome outcome = runCommand();
    ASSERT_EQ(outcome.exitStatus, 0) << joined(outcome);
    ASSERT_EQ(outcome.lines.size(), 42u) << joined(outcome);
    EXPECT_EQ(outcome.lines[0],
              "ok   checking as user root, with this shell's environment: no olvarin.service is "
              "installed");
    EXPECT_EQ(outcome.lines[1],
              "ok   store configuration " + install + "/Quelmar.dat: store 0001, stock S0001");
    EXPECT_EQ(outcome.lines[2], "ok   connections file " + branch.connections +
                                    ": the per-user setting \"Connection Registry File\" names it");
    EXPECT_EQ(outcome.lines.back(), "ok   waiting INPROMOTION_WAIT: 0 rows for store 0001");
}

// Headquarters fails to open first, with the branch's connection still to come: the
// command reports it and ends normally.
TEST_F(CheckCommand, FailingConnectionGivesItsLineAndExitStatus1) {
    branch.editConnections(branch.dbs.sourcePath(), branch.dbs.folder() + "/moved/hq.fdb");
    const Outcome outcome = runCommand();
    ASSERT_EQ(outcome.exitStatus, 1) << joined(outcome);
    ASSERT_EQ(outcome.lines.size(), 11u) << joined(outcome);
    EXPECT_EQ(outcome.lines[7].rfind("FAIL headquarters Dravonel: does not open: I/O error", 0), 0u)
        << joined(outcome);
    EXPECT_EQ(outcome.lines[8], "ok   branch Corvane: opened " + branch.dbs.targetPath());
    EXPECT_FALSE(fs::exists(branch.dbs.folder() + "/moved"));
}

// Started by root, the check reads and opens as the service would: as its user,
// with the unit's environment (the embedded engine's lock folder among it). A
// connections file only root may read fails it, as it would fail the service.
TEST_F(CheckCommand, ChecksAsTheServiceRunsOlvarinWhoeverStartsIt) {
    if (::geteuid() != 0) GTEST_SKIP() << "only root can check as the service's user";
    const struct passwd* nobody = ::getpwnam("nobody");
    ASSERT_NE(nobody, nullptr);
    const std::string folder = branch.dbs.folder();
    const std::string lock = folder + "/lock";
    fs::create_directory(lock);
    ASSERT_EQ(::chown(lock.c_str(), nobody->pw_uid, nobody->pw_gid), 0);
    ASSERT_EQ(::chmod(folder.c_str(), 0755), 0);
    for (const std::string& database : {branch.dbs.sourcePath(), branch.dbs.targetPath()})
        ASSERT_EQ(::chown(database.c_str(), nobody->pw_uid, nobody->pw_gid), 0);
    // The service has no settings of its own: the files beside olvarin.
    fs::copy_file(branch.connections, install + "/dbxconnections.ini");
    fs::copy_file(branch.drivers, install + "/dbxdrivers.ini");
    ASSERT_EQ(::chmod((install + "/dbxconnections.ini").c_str(), 0600), 0);
    checktest::writeText(install + "/olvarin", "");
    const std::string unit = folder + "/olvarin.service";
    checktest::writeText(unit,
                         "[Unit]\nDescription=test\n\n[Service]\nUser=nobody\nGroup=nogroup\n"
                         "ExecStart=" +
                             install + "/olvarin a\nEnvironment=FIREBIRD_LOCK=" + lock +
                             "\nEnvironment=\"QT_QPA_PLATFORM=offscreen\"\n");
    const std::string first =
        "ok   checking as the service runs olvarin: user nobody, "
        "HOME=/nonexistent FIREBIRD_LOCK=" +
        lock + " QT_QPA_PLATFORM=offscreen (" + unit + ")";

    const Outcome refused = runCommand(unit);
    ASSERT_EQ(refused.exitStatus, 1) << joined(refused);
    EXPECT_EQ(refused.lines.at(0), first);
    EXPECT_EQ(refused.lines.at(2),
              "FAIL connections file " + install + "/dbxconnections.ini: " + install +
                  "/dbxconnections.ini cannot be read by user nobody: Permission denied — let the "
                  "user nobody read " +
                  install +
                  "/dbxconnections.ini and the folders on its way "
                  "(the owner or the group nobody, chmod u+r or g+r)");
    EXPECT_TRUE(fs::is_empty(lock));

    ASSERT_EQ(::chmod((install + "/dbxconnections.ini").c_str(), 0644), 0);
    const Outcome passed = runCommand(unit);
    ASSERT_EQ(passed.exitStatus, 0) << joined(passed);
    EXPECT_EQ(passed.lines.at(0), first);
    EXPECT_FALSE(fs::is_empty(lock));  // the engine's lock files, in the unit's folder
}

}  // namespace
