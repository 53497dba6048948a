// The built olvarin-check as a branch runs it: copied into a folder of its own with
// the store configuration beside it, the INI files named by the per-user settings,
// started from another working directory.

#include <gtest/gtest.h>
#include <sys/wait.h>

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

    Outcome runCommand() const {
        const std::string command =
            "cd / && XDG_CONFIG_HOME=" + config + " " + install + "/olvarin-check 2>&1";
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
    ASSERT_EQ(outcome.lines.size(), 41u) << joined(outcome);
    EXPECT_EQ(outcome.lines[0],
              "ok   store configuration " + install + "/Quelmar.dat: store 0001, stock S0001");
    EXPECT_EQ(outcome.lines[1], "ok   connections file " + branch.connections +
                                    ": the per-user setting \"Connection Registry File\" names it");
    EXPECT_EQ(outcome.lines.back(), "ok   waiting INPROMOTION_WAIT: 0 rows for store 0001");
}

// Headquarters fails to open first, with the branch's connection still to come: the
// command reports it and ends normally.
TEST_F(CheckCommand, FailingConnectionGivesItsLineAndExitStatus1) {
    branch.editConnections(branch.dbs.sourcePath(), branch.dbs.folder() + "/moved/hq.fdb");
    const Outcome outcome = runCommand();
    ASSERT_EQ(outcome.exitStatus, 1) << joined(outcome);
    ASSERT_EQ(outcome.lines.size(), 10u) << joined(outcome);
    EXPECT_EQ(outcome.lines[6].rfind("FAIL headquarters Dravonel: does not open: I/O error", 0), 0u)
        << joined(outcome);
    EXPECT_EQ(outcome.lines[7], "ok   branch Corvane: opened " + branch.dbs.targetPath());
    EXPECT_FALSE(fs::exists(branch.dbs.folder() + "/moved"));
}

}  // namespace
