// What a branch meets when headquarters or its own database cannot be reached:
// the set-up mistakes of the first day and a headquarters that goes away and
// comes back. The program never crashes, says why, and the next run after the
// cause is gone succeeds without a restart.

#include <sys/stat.h>

#include <fstream>
#include <functional>
#include <memory>

#include <gtest/gtest.h>
#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include "AppTestSupport.h"
#include "DatabaseWindowTest.h"
#include "ProgramFolder.h"
#include "app/CheckGroup.h"
#include "tests/support/PrivateServer.h"
#include "tests/support/StalledServer.h"
#include "tests/support/TestDatabases.h"

using namespace apptest;
using testsupport::Rows;
using testsupport::TestDatabases;

namespace {

const char* const kBranchTopItems = "SELECT TOP_ITEMID, TOP_ITEMNAME FROM PROD_TOPITEM ORDER BY 1";

// Headquarters with two top categories, the branch with one of its own.
void fill(TestDatabases& dbs) {
    dbs.execSource("INSERT INTO PROD_TOPITEM (TOP_ITEMID, TOP_ITEMNAME) VALUES ('01', '飲料')");
    dbs.execSource("INSERT INTO PROD_TOPITEM (TOP_ITEMID, TOP_ITEMNAME) VALUES ('02', '零食')");
    dbs.execTarget("INSERT INTO PROD_TOPITEM (TOP_ITEMID, TOP_ITEMNAME) VALUES ('09', 'branch')");
}

// The program's own module and Quelmar.dat in its folder.
void installBranch(ProgramFolder& folder) {
    folder.installDriverModule();
    folder.writeStoreConfigWithCommand();
}

const Rows kBranchBefore{{"09", "branch"}};
const Rows kBranchAfter{{"01", "飲料"}, {"02", "零食"}, {"09", "branch"}};

std::string unreachable(const std::string& path) {
    return "localhost/" + std::to_string(testsupport::unusedLoopbackPort()) + ":" + path;
}

struct Mistake {
    const char* name;
    bool overTheServer;  // needs the loopback server on 3050
    std::function<std::string(const TestDatabases&)> source;
    std::function<std::string(const TestDatabases&)> target;
    const char* sourcePassword;
    const char* messageStart;  // the first line of the database's message
};
void PrintTo(const Mistake& c, std::ostream* os) {
    *os << c.name;
}

class MistakenSetUp : public ::testing::TestWithParam<Mistake> {};

TEST_P(MistakenSetUp, EndsWithStatus1AndTheDatabasesMessageAndLeavesTheBranchAsItWas) {
    const Mistake& m = GetParam();
    if (m.overTheServer && !testsupport::loopbackServerAvailable())
        GTEST_SKIP() << "no loopback server";
    TestDatabases dbs;
    fill(dbs);
    dbs.detachAll();  // the program's alone from here on
    ProgramFolder folder;
    installBranch(folder);
    folder.writeConnections(m.source(dbs), m.target(dbs), m.sourcePassword);

    const Outcome outcome = folder.runUnattended();

    ASSERT_EQ(outcome.exitCode, 1) << outcome.text();
    const qsizetype error = outcome.out.indexOf("Data Tran Error ....");
    ASSERT_GE(error, 1) << outcome.text();
    EXPECT_EQ(outcome.out[error - 1], "商品大類...Loading.") << outcome.text();
    ASSERT_GT(outcome.out.size(), error + 1) << outcome.text();
    EXPECT_TRUE(outcome.out[error + 1].startsWith(m.messageStart)) << outcome.text();
    EXPECT_FALSE(outcome.out.contains("Done...")) << outcome.text();
    if (QFile::exists(QString::fromStdString(dbs.targetPath()))) {
        EXPECT_EQ(dbs.queryTarget(kBranchTopItems), kBranchBefore);
    }
}

INSTANTIATE_TEST_SUITE_P(
    FieldFailures, MistakenSetUp,
    ::testing::Values(
        Mistake{"nothingListensAtHeadquarters", false,
                [](const auto& dbs) { return unreachable(dbs.sourcePath()); },
                [](const auto& dbs) { return dbs.targetPath(); }, "olvtest",
                "Unable to complete network request to host \"localhost\"."},
        Mistake{"headquartersFileMissing", false,
                [](const auto& dbs) { return dbs.folder() + "/no-such-hq.fdb"; },
                [](const auto& dbs) { return dbs.targetPath(); }, "olvtest",
                "I/O error during \"open\" operation for file"},
        Mistake{"headquartersFileMissingOnTheServer", true,
                [](const auto& dbs) { return "localhost:" + dbs.folder() + "/no-such-hq.fdb"; },
                [](const auto& dbs) { return dbs.targetPath(); }, "olvtest",
                "I/O error during \"open\" operation for file"},
        Mistake{"wrongHeadquartersPassword", true,
                [](const auto& dbs) { return "localhost:" + dbs.sourcePath(); },
                [](const auto& dbs) { return dbs.targetPath(); }, "not-the-password",
                "Your user name and password are not defined."},
        // A headquarters that takes the connection and never answers: the run ends
        // at the connections file's Connection Timeout and says so.
        Mistake{"headquartersNeverAnswers", false,
                [](const auto& dbs) {
                    static const testsupport::StalledServer stalled;
                    return stalled.databaseName(dbs.sourcePath());
                },
                [](const auto& dbs) { return dbs.targetPath(); }, "olvtest\nConnection Timeout=2",
                "The server localhost/"},
        Mistake{"branchFileMissing", false, [](const auto& dbs) { return dbs.sourcePath(); },
                [](const auto& dbs) { return dbs.folder() + "/no-such-branch.fdb"; }, "olvtest",
                "I/O error during \"open\" operation for file"}),
    [](const auto& info) { return std::string(info.param.name); });

// A password file left open to others: the run says what to do and changes
// nothing; once the file is its owner's alone, the next run goes through.
TEST(PasswordFileSetUp, OpenToOthersIsRefusedUntilItIsTheOwnersAlone) {
    TestDatabases dbs;
    fill(dbs);
    dbs.detachAll();  // the program's alone from here on
    ProgramFolder folder;
    installBranch(folder);
    // [Dravonel] gets an empty "Password=" and "PasswordFile=hq.password" below it.
    folder.writeConnections(dbs.sourcePath(), dbs.targetPath(), "\nPasswordFile=hq.password");
    const std::string passwordFile = folder.file("hq.password");
    std::ofstream(passwordFile) << "olvtest\n";
    ASSERT_EQ(::chmod(passwordFile.c_str(), 0644), 0);

    const Outcome refused = folder.runUnattended();
    ASSERT_EQ(refused.exitCode, 1) << refused.text();
    const qsizetype error = refused.out.indexOf("Data Tran Error ....");
    ASSERT_GE(error, 0) << refused.text();
    ASSERT_GT(refused.out.size(), error + 1) << refused.text();
    EXPECT_EQ(refused.out[error + 1].toStdString(),
              "Password file '" + passwordFile +
                  "' is readable by others (mode 0644); make it "
                  "readable by its owner only (chmod 600 " +
                  passwordFile + ")");
    EXPECT_EQ(dbs.queryTarget(kBranchTopItems), kBranchBefore);
    dbs.detachAll();

    ASSERT_EQ(::chmod(passwordFile.c_str(), 0600), 0);
    const Outcome done = folder.runUnattended();
    EXPECT_EQ(done.exitCode, 0) << done.text();
    EXPECT_EQ(dbs.queryTarget(kBranchTopItems), kBranchAfter);
}

// The window in this process, on databases of the test.
class HeadquartersDown : public DatabaseWindowTest {
  protected:
    void SetUp() override { fill(dbs); }
    void openWindow(const testsupport::RegistryOptions& where) {
        DatabaseWindowTest::openWindow(where, {0});
    }
    // Waits until a timer run has ended with a log line that says how.
    bool waitForTimerRun(const QString& outcomeLine) {
        return QTest::qWaitFor(
            [&] {
                const QStringList log = lines(*window->Memo1);
                return log.contains(outcomeLine) && log.last().startsWith("2024/03/05-");
            },
            30000);
    }
};

TEST_F(HeadquartersDown, OkShowsTheErrorBoxAndTheWindowStaysUsable) {
    openWindow({.sourceDatabase = unreachable(dbs.sourcePath())});

    for (int attempt = 1; attempt <= 2; ++attempt) {
        QTest::mouseClick(window->bsSkinButton1, Qt::LeftButton);
        ASSERT_EQ(errors.texts().size(), attempt);
        EXPECT_TRUE(errors.texts().last().startsWith("Unable to complete network request to host"))
            << errors.texts().last().toStdString();
        EXPECT_TRUE(window->isVisible());
    }
    EXPECT_EQ(dbs.queryTarget(kBranchTopItems), kBranchBefore);

    // Headquarters reachable again (the connections file is read at every connect).
    dbs.writeRegistry();
    QTest::mouseClick(window->bsSkinButton1, Qt::LeftButton);
    EXPECT_EQ(errors.texts().size(), 2);
    EXPECT_EQ(lines(*window->Memo1).last(), "Done...");
    EXPECT_EQ(dbs.queryTarget(kBranchTopItems), kBranchAfter);
}

TEST_F(HeadquartersDown, AutoRunsFailWhileTheServerIsDownAndTheFirstRunAfterItReturnsSucceeds) {
    if (!testsupport::PrivateServer::available()) GTEST_SKIP() << "no Firebird server installed";
    testsupport::PrivateServer server;
    server.start();
    dbs.detachAll();  // headquarters is the server's alone from here on
    openWindow({.sourceDatabase = server.databaseName(dbs.sourcePath())});
    window->bsSkinEdit1->setText("50");
    window->CheckBox1->setChecked(true);
    ASSERT_TRUE(waitForTimerRun("Done...")) << lines(*window->Memo1).join("\n").toStdString();

    server.stop();  // while the program holds its link, between runs or in one
    ASSERT_TRUE(waitForTimerRun("Data Tran Error ...."))
        << lines(*window->Memo1).join("\n").toStdString();
    dbs.execTarget("DELETE FROM PROD_TOPITEM WHERE TOP_ITEMID <> '09'");

    server.start();
    ASSERT_TRUE(waitForTimerRun("Done...")) << lines(*window->Memo1).join("\n").toStdString();
    window->CheckBox1->setChecked(false);
    EXPECT_TRUE(errors.texts().isEmpty());
    EXPECT_EQ(dbs.queryTarget(kBranchTopItems), kBranchAfter);
    window.reset();
    server.stop();
}

}  // namespace
