// The heartbeat: "olvarin a" in a folder of its own writes its store's row at
// headquarters after every run when "Report To Headquarters" is on, and nothing
// else of the run changes, whether the row is written or not.

#include <fstream>
#include <iterator>

#include <gtest/gtest.h>
#include <QSettings>
#include <QSysInfo>

#include "AppTestSupport.h"
#include "ProgramFolder.h"
#include "app/Heartbeat.h"
#include "tests/support/TestDatabases.h"

using namespace apptest;
using testsupport::Rows;
using testsupport::TestDatabases;

namespace {

std::string script(const std::string& name) {
    std::ifstream in(testsupport::schemaDir() + "/" + name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(HeartbeatTest, EveryRunReportsItsOutcomeAndAFailureToReportCostsOneLine) {
    ProgramFolder program;
    program.writeStoreConfigWithCommand();
    TestDatabases dbs(script("tables.sql") + script("queues.sql") + script("heartbeat.sql"),
                      script("tables.sql"));
    dbs.execSource("INSERT INTO PROD_TOPITEM (TOP_ITEMID, TOP_ITEMNAME) VALUES ('01', 'drinks')");
    const auto [connections, drivers] = dbs.writeRegistry();
    dbs.detachAll();
    QSettings settings(QString::fromStdString(program.configFolder().file("olvarin/olvarin.conf")),
                       QSettings::IniFormat);
    settings.setValue("Connection Registry File", QString::fromStdString(connections));
    settings.setValue("Driver Registry File", QString::fromStdString(drivers));
    settings.sync();
    const std::string row =
        "SELECT SUCCEEDED, ERROR_MESSAGE, ROWS_WRITTEN, PROGRAM_VERSION, HOST_NAME, "
        "IIF(LAST_SUCCESS_AT IS NULL, 'no success', 'success'), LAST_ERROR_MESSAGE, "
        "IIF(QUEUES_CLAIMED_AT IS NULL, 'not claimed', 'claimed'), "
        "IIF(RUN_STARTED <= RUN_ENDED, 'in order', 'out of order') FROM OLVARIN_STORE_STATUS";

    // Off: nothing is sent.
    Outcome outcome = program.runUnattended();
    ASSERT_EQ(outcome.exitCode, 0) << outcome.text();
    const QStringList logWithout = outcome.out;
    EXPECT_EQ(dbs.querySource(row), Rows{});
    dbs.detachAll();

    settings.setValue(app::kReportToHeadquartersSetting, "True");
    settings.sync();
    outcome = program.runUnattended();
    ASSERT_EQ(outcome.exitCode, 0) << outcome.text();
    EXPECT_FALSE(outcome.err.contains("Heartbeat")) << outcome.text();
    const std::string host = QSysInfo::machineHostName().toStdString();
    EXPECT_EQ(
        dbs.querySource(row),
        (Rows{{"1", "<null>", "1", "0.1.0", host, "success", "<null>", "claimed", "in order"}}));
    const Rows firstSuccess = dbs.querySource("SELECT LAST_SUCCESS_AT FROM OLVARIN_STORE_STATUS");
    dbs.detachAll();

    // A run that fails at the branch still reaches headquarters; the last success stays.
    program.writeConnections(dbs.sourcePath(), dbs.folder() + "/missing.fdb");
    settings.remove("Connection Registry File");
    settings.sync();
    outcome = program.runUnattended();
    ASSERT_EQ(outcome.exitCode, 1) << outcome.text();
    const qsizetype errorLine = outcome.out.indexOf("Data Tran Error ....");
    ASSERT_GE(errorLine, 0) << outcome.text();
    ASSERT_GT(outcome.out.size(), errorLine + 1) << outcome.text();
    const std::string firstLine = outcome.out[errorLine + 1].toStdString();
    EXPECT_NE(firstLine.find("missing.fdb"), std::string::npos) << firstLine;
    const Rows failed = dbs.querySource(row);
    ASSERT_EQ(failed.size(), 1u);
    EXPECT_EQ(failed[0][0], "0");
    EXPECT_TRUE(failed[0][1].starts_with(firstLine)) << failed[0][1];  // the whole message
    EXPECT_EQ(failed[0][6], failed[0][1]);                             // and the last error
    EXPECT_EQ(failed[0][5], "success");                                // kept from the run before
    EXPECT_EQ(failed[0][7], "claimed");
    EXPECT_EQ(dbs.querySource("SELECT LAST_SUCCESS_AT FROM OLVARIN_STORE_STATUS"), firstSuccess);

    // No table to write to: one line on standard error, the run as it would be.
    dbs.execSource("DROP TABLE OLVARIN_STORE_STATUS");
    dbs.detachAll();
    program.writeConnections(dbs.sourcePath(), dbs.targetPath());
    outcome = program.runUnattended();
    ASSERT_EQ(outcome.exitCode, 0) << outcome.text();
    EXPECT_EQ(outcome.out.size(), logWithout.size());
    EXPECT_TRUE(outcome.out.contains("Done...")) << outcome.text();
    const QStringList reported = outcome.err.split('\n').filter("Heartbeat");
    ASSERT_EQ(reported.size(), 1) << outcome.text();
    EXPECT_TRUE(reported[0].startsWith("Heartbeat not written to headquarters: "));
    EXPECT_TRUE(reported[0].contains("OLVARIN_STORE_STATUS")) << outcome.text();
}

}  // namespace
