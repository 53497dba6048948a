// The built program killed, or stopped by SIGTERM or SIGINT, at one statement of
// a download (by the fault driver, so that the moment is chosen), then one clean
// run: the branch holds headquarters' version of everything queued for the store,
// the store's queues are empty and the rows queued for another store are
// untouched.

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <QFile>
#include <QTest>

#include "ProgramFolder.h"
#include "app/StatusFile.h"
#include "base/Clock.h"
#include "base/DateTimeFormat.h"
#include "engine/DownloadRun.h"
#include "engine/FormData.h"
#include "tests/engine/TestView.h"
#include "tests/support/FaultPlan.h"
#include "tests/support/StalledServer.h"
#include "tests/support/TestDatabases.h"

using namespace apptest;
using testsupport::Rows;
using testsupport::TestDatabases;

namespace {

const char* const kQueues[] = {"PRODUCT_WAIT", "PROVIDER_WAIT",   "CUSTOMER_WAIT",
                               "PSALE_WAIT",   "PTSALE_WAIT",     "CHGPRICE_WAIT",
                               "QUOT_WAIT",    "INPROMOTION_WAIT"};

// Queries whose rows must be the same on both sides after the clean run.
const char* const kMirrored[] = {
    "SELECT * FROM PRODUCT WHERE PROD_ID STARTING WITH 'P' ORDER BY PROD_ID",
    "SELECT * FROM PROVIDER ORDER BY PROVIDER_ID",
    "SELECT * FROM CUSTOMER ORDER BY CUST_ID",
    "SELECT * FROM PSALE_MASTER ORDER BY MASTERBILLID",
    "SELECT * FROM PSALE_SUB ORDER BY MASTERBILLID, PROD_ID",
    "SELECT * FROM CHGPRICE_MASTER ORDER BY MASTERBILLID",
    // every column but the branch's own mark
    "SELECT MASTERBILLID, BILL_DATE, IMM_CHG, CHGPRICE_DATE, STORE_ID, PROD_ID, PROD_NAME, "
    "PROD_BARCODE, O_PD_ITEMID, O_SALE_PRICE, O_PSALE_PRICE, O_VIP_PRICE, O_STD_COST, N_PD_ITEMID, "
    "N_SALE_PRICE, N_PSALE_PRICE, N_VIP_PRICE, N_STD_COST, SAL_TAG, IN_TAG, CHG_DATE, CHG_USER "
    "FROM CHGPRICE_SUB ORDER BY MASTERBILLID, PROD_ID",
};

std::string text(const std::string& value) {
    return "'" + value + "'";
}

void queue(TestDatabases& dbs, const std::string& table, const std::string& keyColumn,
           const std::string& store, const std::string& key, const std::string& state) {
    dbs.execSource("INSERT INTO " + table + " (STORE_ID, " + keyColumn + ", STATE) VALUES (" +
                   text(store) + ", " + text(key) + ", " + text(state) + ")");
}

// Headquarters: 25 changed products (three pages), three vendors, three customers,
// three promotion bills of three lines and two price-change bills due today,
// queued for store 0001 with deletions of branch records; a few rows for 0002.
void fillHeadquarters(TestDatabases& dbs) {
    for (int i = 1; i <= 25; ++i) {
        const std::string id = (i < 10 ? "P0" : "P") + std::to_string(i);
        dbs.execSource(
            "INSERT INTO PRODUCT (PROD_ID, PROD_BARCODE, PROD_NAME, SALE_PRICE, STD_COST, "
            "PACK_QTY, SAL_TAG, CHG_DATE, CHG_TIME) VALUES (" +
            text(id) + ", '471" + std::to_string(i) + "', '商品" + std::to_string(i) + "', " +
            std::to_string(i) + ".5, 1.2345, " + std::to_string(i) +
            ", 1, '2005/02/28', '09:30:05')");
        queue(dbs, "PRODUCT_WAIT", "PROD_ID", "0001", id, i <= 10 ? "UPDATE" : "INSERT");
    }
    for (const char* id : {"D1", "D2", "D3"})
        queue(dbs, "PRODUCT_WAIT", "PROD_ID", "0001", id, "DELETE");
    for (const char* id : {"V1", "V2", "V3"}) {
        dbs.execSource(
            std::string("INSERT INTO PROVIDER (PROVIDER_ID, PROVIDER_NAME, PAY_DAYS) VALUES ('") +
            id + "', '廠商', 30)");
        queue(dbs, "PROVIDER_WAIT", "PROVIDER_ID", "0001", id, "UPDATE");
    }
    queue(dbs, "PROVIDER_WAIT", "PROVIDER_ID", "0001", "V9", "DELETE");
    for (const char* id : {"C1", "C2", "C3"}) {
        dbs.execSource(
            std::string("INSERT INTO CUSTOMER (CUST_ID, CUST_NAME, CREDIT_AMT) VALUES ('") + id +
            "', '客戶', 1000.5)");
        queue(dbs, "CUSTOMER_WAIT", "CUST_ID", "0001", id, "INSERT");
    }
    queue(dbs, "CUSTOMER_WAIT", "CUST_ID", "0001", "C9", "DELETE");

    for (const char* bill : {"B1", "B2", "B3"}) {
        dbs.execSource(std::string("INSERT INTO PSALE_MASTER VALUES ('") + bill +
                       "', '2005-02-27', '2005/03/02', '2005/03/31', 'spring', 'R1', '0001', "
                       "'2005/02/28', 'amy', 100.5, '2005/03/05', '2005/03/25')");
        for (const char* product : {"P01", "P02", "P03"}) {
            dbs.execSource(
                std::string("INSERT INTO PSALE_SUB VALUES ('") + bill + "', '" + product +
                "', '紅茶', '4710001', 'D01', '1', 19.9, 25, 2, 'G01', '綠茶', 1, 'T1', "
                "'0001', '2005/02/28', 'amy', 18.5, '2005/03/02', '2005/03/31', 12.3456, "
                "'S', '2005-02-28 09:30:05', '2005/03/05', '2005/03/25', 3.25, 2.5)");
        }
        queue(dbs, "PSALE_WAIT", "MASTERBILLID", "0001", bill, "UPDATE");
    }
    queue(dbs, "PSALE_WAIT", "MASTERBILLID", "0001", "BX", "DELETE");

    const std::string today = base::formatDateTime(base::now(), base::kPriceDatePattern);
    for (const auto& [bill, product] : std::vector<std::pair<std::string, std::string>>{
             {"CP1", "K1"}, {"CP1", "K2"}, {"CP2", "K3"}}) {
        dbs.execSource("INSERT INTO CHGPRICE_SUB VALUES (" + text(bill) + ", '2005-02-27', 'N', " +
                       text(today) + ", '0001', " + text(product) +
                       ", 'tea', '471', 'D01', 10, 9, "
                       "8, 7.5, 'D02', 12, 11, 10, 8.25, 1, 2, '2005/02/28', 'cy', 'N')");
    }
    for (const char* bill : {"CP1", "CP2"}) {
        dbs.execSource(std::string("INSERT INTO CHGPRICE_MASTER VALUES ('") + bill +
                       "', '2005-02-27', 'N', " + text(today) +
                       ", '0001', '2005/02/28', 'cy', 'N')");
        queue(dbs, "CHGPRICE_WAIT", "MASTERBILLID", "0001", bill, "INSERT");
    }

    queue(dbs, "PRODUCT_WAIT", "PROD_ID", "0002", "P01", "UPDATE");
    queue(dbs, "PRODUCT_WAIT", "PROD_ID", "0002", "D4", "DELETE");
    queue(dbs, "PROVIDER_WAIT", "PROVIDER_ID", "0002", "V1", "UPDATE");
    queue(dbs, "PSALE_WAIT", "MASTERBILLID", "0002", "B1", "UPDATE");
    queue(dbs, "PSALE_WAIT", "MASTERBILLID", "0002", "BX", "DELETE");
    queue(dbs, "CHGPRICE_WAIT", "MASTERBILLID", "0002", "CP1", "INSERT");
}

// The branch: old versions of some queued records, the records headquarters
// deleted (D4 only for store 0002), and the products the price changes are for.
void fillBranch(TestDatabases& dbs) {
    for (int i = 1; i <= 10; ++i) {
        dbs.execTarget("INSERT INTO PRODUCT (PROD_ID, PROD_NAME, SALE_PRICE, NOTE) VALUES ('P" +
                       std::string(i < 10 ? "0" : "") + std::to_string(i) +
                       "', 'old', 1, 'branch')");
    }
    for (const char* id : {"D1", "D2", "D3", "D4"}) {
        dbs.execTarget(std::string("INSERT INTO PRODUCT (PROD_ID, PROD_NAME) VALUES ('") + id +
                       "', 'gone')");
    }
    for (const char* id : {"K1", "K2", "K3"}) {
        dbs.execTarget(
            std::string("INSERT INTO PRODUCT (PROD_ID, PD_ITEMID, SALE_PRICE, PSALE_PRICE, "
                        "VIP_PRICE, STD_COST, SAL_TAG, IN_TAG) VALUES ('") +
            id + "', 'D01', 10, 9, 8, 7.5, 0, 0)");
    }
    dbs.execTarget(
        "INSERT INTO PROVIDER (PROVIDER_ID, PROVIDER_NAME, NOTE) VALUES ('V1', 'old', 'branch')");
    dbs.execTarget("INSERT INTO PROVIDER (PROVIDER_ID, PROVIDER_NAME) VALUES ('V9', 'gone')");
    dbs.execTarget("INSERT INTO CUSTOMER (CUST_ID, CUST_NAME) VALUES ('C1', 'old')");
    dbs.execTarget("INSERT INTO CUSTOMER (CUST_ID, CUST_NAME) VALUES ('C9', 'gone')");
    dbs.execTarget("INSERT INTO PSALE_MASTER (MASTERBILLID, REASON) VALUES ('B1', 'old')");
    dbs.execTarget("INSERT INTO PSALE_SUB (MASTERBILLID, PROD_ID) VALUES ('B1', 'P99')");
    dbs.execTarget("INSERT INTO PSALE_MASTER (MASTERBILLID, REASON) VALUES ('BX', 'gone')");
    for (const char* product : {"P01", "P02"}) {
        dbs.execTarget(
            std::string("INSERT INTO PSALE_SUB (MASTERBILLID, PROD_ID) VALUES ('BX', '") + product +
            "')");
    }
}

Rows queueRows(TestDatabases& dbs, const std::string& condition) {
    Rows all;
    for (const char* table : kQueues) {
        for (auto& row : dbs.querySource(std::string("SELECT '") + table + "', W.* FROM " + table +
                                         " W WHERE " + condition + " ORDER BY WAIT_ID")) {
            all.push_back(std::move(row));
        }
    }
    return all;
}

enum class When { Before, After };  // the statement: not run, or run and nothing after it

const char* whenWord(When when) {
    return when == When::Before ? "before" : "after";
}

struct KillPoint {
    const char* name;
    const char* statement;  // a text the statement contains
    int occurrence;         // of statements containing it
    When when;
};
void PrintTo(const KillPoint& k, std::ostream* os) {
    *os << k.name;
}

// The fault driver's variables for the program's process only.
class FaultEnvironment {
  public:
    explicit FaultEnvironment(const testsupport::FaultPlan& plan) {
        testsupport::setFaultPlan(plan);
    }
    ~FaultEnvironment() { testsupport::clearFaultPlan(); }
    FaultEnvironment(const FaultEnvironment&) = delete;
    FaultEnvironment& operator=(const FaultEnvironment&) = delete;
};

// A download ended part-way, then one clean run.
class InterruptedRun : public ::testing::Test {
  protected:
    void SetUp() override {
        fillHeadquarters(dbs);
        fillBranch(dbs);
    }

    // olvarin a in a folder of its own, through the fault driver, with the plan in
    // force for its process.
    Outcome runProgramWith(const testsupport::FaultPlan& plan) {
        dbs.detachAll();
        folder.writeStoreConfigWithCommand();
        folder.writeConnections(dbs.sourcePath(), dbs.targetPath());
        std::ofstream(folder.file("dbxdrivers.ini"))
            << "[Interbase]\nLibraryName=" << OLVARIN_FAULT_DRIVER
            << "\nGetDriverFunc=getSQLDriverINTERBASE\nVendorLib=libfbclient.so.2\n";
        FaultEnvironment fault(plan);
        return folder.runUnattended();
    }

    // Every category in mode Changed, as olvarin a runs them, in this process.
    std::vector<std::string> runCleanly() {
        const auto [connections, drivers] = dbs.writeRegistry();
        engine::FormData data(db::RegistryFiles{connections, drivers});
        testsupport::TestView view;
        view.ticked.fill(true);
        engine::runDownload(view.request("0001"), view, data);
        return view.lines;
    }

    // The clean run ends with Done... and leaves the branch as headquarters has it.
    void expectTheNextRunLosesNothing(const Rows& otherStores) {
        const std::vector<std::string> log = runCleanly();
        ASSERT_FALSE(log.empty());
        EXPECT_EQ(log.back(), "Done...");
        for (const std::string& line : log) {
            EXPECT_EQ(line.find("refused"), std::string::npos) << line;
            EXPECT_EQ(line.find("not copied"), std::string::npos) << line;
            EXPECT_EQ(line.find("left out"), std::string::npos) << line;
        }

        for (const char* query : kMirrored)
            EXPECT_EQ(dbs.queryTarget(query), dbs.querySource(query)) << query;
        EXPECT_EQ(dbs.queryTarget("SELECT PROD_ID FROM PRODUCT WHERE PROD_ID STARTING WITH 'D'"),
                  Rows{{"D4"}});
        EXPECT_EQ(dbs.queryTarget("SELECT DISTINCT TRN_CODE FROM CHGPRICE_SUB"), Rows{{"Y"}});
        EXPECT_EQ(dbs.queryTarget(
                      "SELECT PROD_ID, PD_ITEMID, SALE_PRICE, PSALE_PRICE, VIP_PRICE, STD_COST, "
                      "SAL_TAG, IN_TAG FROM PRODUCT WHERE PROD_ID STARTING WITH 'K' ORDER BY 1"),
                  dbs.querySource(
                      "SELECT PROD_ID, N_PD_ITEMID, N_SALE_PRICE, N_PSALE_PRICE, N_VIP_PRICE, "
                      "N_STD_COST, SAL_TAG, IN_TAG FROM CHGPRICE_SUB ORDER BY PROD_ID"));
        EXPECT_EQ(queueRows(dbs, "STORE_ID = '0001'"), Rows{});
        EXPECT_EQ(queueRows(dbs, "STORE_ID <> '0001'"), otherStores);
    }

    TestDatabases dbs;
    ProgramFolder folder;
};

class KilledRun : public InterruptedRun, public ::testing::WithParamInterface<KillPoint> {};

TEST_P(KilledRun, TheNextRunLosesNothingAndLeavesOtherStoresQueued) {
    const KillPoint& k = GetParam();
    const Rows otherStores = queueRows(dbs, "STORE_ID <> '0001'");

    using Action = testsupport::FaultPlan::Action;
    const Outcome killed =
        runProgramWith({.statement = k.statement,
                        .occurrence = k.occurrence,
                        .action = k.when == When::Before ? Action::KillBefore : Action::KillAfter});
    ASSERT_EQ(killed.exitCode, -2) << killed.text();
    ASSERT_TRUE(killed.err.contains(QString("fault driver: SIGKILL ") + whenWord(k.when)))
        << killed.text();
    ASSERT_TRUE(killed.err.contains(k.statement)) << killed.text();

    expectTheNextRunLosesNothing(otherStores);
}

// One kill per kind of statement; before and after where the statement writes
// and commits on its own.
INSTANTIATE_TEST_SUITE_P(
    KillPoints, KilledRun,
    ::testing::Values(
        KillPoint{"deletionClaimRun", "UPDATE PRODUCT_WAIT SET TRAN_CODE = 'X'", 1, When::After},
        KillPoint{"claimedDeletionsRead", "SELECT * FROM PRODUCT_WAIT WHERE", 1, When::After},
        KillPoint{"secondRecordDeleted", "DELETE FROM PRODUCT WHERE", 2, When::After},
        KillPoint{"beforeDeletionsRemoved", "DELETE FROM PRODUCT_WAIT WHERE TRAN_CODE = 'X'", 1,
                  When::Before},
        KillPoint{"deletionsRemoved", "DELETE FROM PRODUCT_WAIT WHERE TRAN_CODE = 'X'", 1,
                  When::After},
        KillPoint{"changeClaimRun", "UPDATE PRODUCT_WAIT SET TRAN_CODE = 'W'", 1, When::After},
        KillPoint{"secondPageRead", "SELECT FIRST 10 SKIP 10 * FROM PRODUCT A", 1, When::After},
        KillPoint{"keyedSelectOnSecondPage", "SELECT * FROM PRODUCT WHERE PROD_ID", 15,
                  When::After},
        KillPoint{"beforeSecondUpdate", "UPDATE \"PRODUCT\" SET", 2, When::Before},
        KillPoint{"thirdInsertWritten", "INSERT INTO \"PRODUCT\"", 3, When::After},
        KillPoint{"beforeChangesRemoved", "DELETE FROM PRODUCT_WAIT WHERE TRAN_CODE = 'W'", 1,
                  When::Before},
        KillPoint{"changesRemoved", "DELETE FROM PRODUCT_WAIT WHERE TRAN_CODE = 'W'", 1,
                  When::After},
        KillPoint{"billLinesOfADeletionDeleted", "DELETE FROM PSALE_SUB WHERE", 1, When::After},
        KillPoint{"secondBillsLinesRead", "SELECT * FROM PSALE_SUB WHERE", 2, When::After},
        KillPoint{"secondBillsOldMasterDeleted", "DELETE FROM PSALE_MASTER WHERE", 3, When::After},
        KillPoint{"secondBillsMasterInserted", "INSERT INTO PSALE_MASTER(", 2, When::After},
        KillPoint{"secondBillsSecondLineInserted", "INSERT INTO PSALE_SUB(", 5, When::After},
        KillPoint{"beforeSecondBillCommitted", "COMMIT", 2, When::Before},
        KillPoint{"secondBillCommitted", "COMMIT", 2, When::After},
        KillPoint{"dueLinesMarked", "UPDATE CHGPRICE_SUB SET TRN_CODE = 'W'", 1, When::After},
        KillPoint{"dueLinesRead", "SELECT * FROM CHGPRICE_SUB WHERE TRN_CODE", 1, When::After},
        KillPoint{"secondPriceWritten", "UPDATE PRODUCT SET PD_ITEMID", 2, When::After},
        KillPoint{"beforeLinesMarkedApplied", "UPDATE CHGPRICE_SUB SET TRN_CODE = 'Y'", 1,
                  When::Before},
        KillPoint{"linesMarkedApplied", "UPDATE CHGPRICE_SUB SET TRN_CODE = 'Y'", 1, When::After}),
    [](const auto& info) { return std::string(info.param.name); });

struct StopPoint {
    const char* name;
    const char* statement;  // null: while connecting to a headquarters that never answers
    int occurrence;
    When when;
    int signal;
};
void PrintTo(const StopPoint& s, std::ostream* os) {
    *os << s.name;
}

class StoppedRun : public InterruptedRun, public ::testing::WithParamInterface<StopPoint> {
  protected:
    Outcome runProgramStoppedAt(const StopPoint& s) {
        using Action = testsupport::FaultPlan::Action;
        return runProgramWith(
            {.statement = s.statement,
             .occurrence = s.occurrence,
             .action = s.when == When::Before ? Action::SignalBefore : Action::SignalAfter,
             .signal = s.signal});
    }

    // Headquarters takes the connection and never answers (no Connection Timeout
    // is set, so the client would wait its own three minutes); the signal comes
    // once the run has begun to connect.
    Outcome runProgramStoppedWhileConnecting(int signal) {
        dbs.detachAll();
        const testsupport::StalledServer headquarters;
        folder.installDriverModule();
        folder.writeStoreConfigWithCommand();
        folder.writeConnections(headquarters.databaseName(dbs.sourcePath()), dbs.targetPath());
        const std::unique_ptr<QProcess> program = folder.startUnattended();
        const bool connecting =
            QTest::qWaitFor([&] { return program->peek(1 << 16).contains("Loading."); }, 30000);
        QTest::qWait(500);
        ::kill(static_cast<pid_t>(program->processId()), signal);
        Outcome outcome = ProgramFolder::waitForEnd(*program, 20000);
        EXPECT_TRUE(connecting) << outcome.text();
        return outcome;
    }
};

TEST_P(StoppedRun, EndsAtOnceSaysSoFailsTheStatusAndTheNextRunLosesNothing) {
    const StopPoint& s = GetParam();
    const Rows otherStores = queueRows(dbs, "STORE_ID <> '0001'");
    const std::string statusPath = folder.file("olvarin.prom");
    folder.setSetting(app::kStatusFileSetting, statusPath);

    const Outcome stopped =
        s.statement ? runProgramStoppedAt(s) : runProgramStoppedWhileConnecting(s.signal);
    ASSERT_EQ(stopped.exitCode, 128 + s.signal) << stopped.text();
    ASSERT_FALSE(stopped.out.isEmpty()) << stopped.text();
    EXPECT_EQ(stopped.out.back(), s.signal == SIGINT ? "Stopped by SIGINT" : "Stopped by SIGTERM")
        << stopped.text();
    if (s.statement) {
        ASSERT_TRUE(stopped.err.contains(
            QString("fault driver: SIG%1 %2 ").arg(s.signal).arg(whenWord(s.when)) + s.statement))
            << stopped.text();
    }
    QFile status(QString::fromStdString(statusPath));
    ASSERT_TRUE(status.open(QIODevice::ReadOnly)) << statusPath;
    EXPECT_TRUE(status.readAll().contains("olvarin_last_run_success{store=\"0001\"} 0"));

    expectTheNextRunLosesNothing(otherStores);
}

// One stop per kind of moment: a claim, a read, a keyed select, a deletion, a
// write, a removal of claims, a bill's copy and its commit, the price-change
// application, and the connect that never ends.
INSTANTIATE_TEST_SUITE_P(
    StopPoints, StoppedRun,
    ::testing::Values(
        StopPoint{"deletionClaimRun", "UPDATE PRODUCT_WAIT SET TRAN_CODE = 'X'", 1, When::After,
                  SIGTERM},
        StopPoint{"claimedDeletionsRead", "SELECT * FROM PRODUCT_WAIT WHERE", 1, When::After,
                  SIGTERM},
        StopPoint{"secondRecordDeleted", "DELETE FROM PRODUCT WHERE", 2, When::After, SIGTERM},
        StopPoint{"changeClaimRun", "UPDATE PRODUCT_WAIT SET TRAN_CODE = 'W'", 1, When::After,
                  SIGTERM},
        StopPoint{"secondPageRead", "SELECT FIRST 10 SKIP 10 * FROM PRODUCT A", 1, When::After,
                  SIGTERM},
        StopPoint{"keyedSelectOnSecondPage", "SELECT * FROM PRODUCT WHERE PROD_ID", 15, When::After,
                  SIGTERM},
        StopPoint{"beforeSecondUpdate", "UPDATE \"PRODUCT\" SET", 2, When::Before, SIGTERM},
        StopPoint{"thirdInsertWritten", "INSERT INTO \"PRODUCT\"", 3, When::After, SIGINT},
        StopPoint{"beforeChangesRemoved", "DELETE FROM PRODUCT_WAIT WHERE TRAN_CODE = 'W'", 1,
                  When::Before, SIGTERM},
        StopPoint{"secondBillsOldMasterDeleted", "DELETE FROM PSALE_MASTER WHERE", 3, When::After,
                  SIGTERM},
        StopPoint{"secondBillsSecondLineInserted", "INSERT INTO PSALE_SUB(", 5, When::After,
                  SIGTERM},
        StopPoint{"beforeSecondBillCommitted", "COMMIT", 2, When::Before, SIGTERM},
        StopPoint{"dueLinesMarked", "UPDATE CHGPRICE_SUB SET TRN_CODE = 'W'", 1, When::After,
                  SIGTERM},
        StopPoint{"secondPriceWritten", "UPDATE PRODUCT SET PD_ITEMID", 2, When::After, SIGINT},
        StopPoint{"beforeLinesMarkedApplied", "UPDATE CHGPRICE_SUB SET TRN_CODE = 'Y'", 1,
                  When::Before, SIGTERM},
        StopPoint{"whileConnectingToAStalledHeadquarters", nullptr, 0, When::Before, SIGTERM}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
