// Auto mode for weeks: many timer runs in one window, against a headquarters on a
// server of the test's own, through every failure a branch meets, one after the
// other. A run during a failure fails (or refuses one record) and says why; the
// first run after it ends with "Done..."; between runs the program holds no
// transaction open at the branch; at the end every change headquarters queued
// has arrived and the store's queue is empty.

#include <fstream>
#include <functional>
#include <sstream>

#include <gtest/gtest.h>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QSettings>
#include <QTest>

#include "DatabaseWindowTest.h"
#include "app/IntervalTimer.h"
#include "tests/support/PrivateServer.h"
#include "tests/support/StalledServer.h"

using namespace apptest;
using testsupport::Rows;

namespace {

constexpr int kProducts = 3;  // the category ticked

const char* const kChangedProducts =
    "SELECT PROD_ID, PROD_NAME, SALE_PRICE, PACK_QTY FROM PRODUCT WHERE PROD_ID STARTING WITH 'T' "
    "ORDER BY PROD_ID";

std::string productId(int n) {
    return (n < 10 ? "T0" : "T") + std::to_string(n);
}

// One failure: what begins it and what ends it (both between runs, the timer
// paused), and a text the log of a run during it shows; none when no run may
// fail for it.
struct Failure {
    const char* name;
    std::function<void()> begin;
    std::function<void()> end;
    const char* duringRun;
};

class AutoModeThroughFailures : public DatabaseWindowTest {
  protected:
    void SetUp() override {
        if (!testsupport::PrivateServer::available())
            GTEST_SKIP() << "no Firebird server installed";
        for (int n = 1; n <= 3; ++n) changeProduct(n, std::to_string(n));
        dbs.execTarget("CREATE EXCEPTION BRANCH_REFUSES 'the branch refuses the commit'");
        dbs.execTarget("CREATE TABLE REFUSE_COMMITS (SET_BY BIGINT)");
        // Refuses every commit but that of the transaction that set or removed the flag.
        dbs.execTarget(
            "CREATE TRIGGER REFUSE_COMMIT ON TRANSACTION COMMIT AS BEGIN "
            "IF (EXISTS (SELECT 1 FROM REFUSE_COMMITS WHERE SET_BY <> CURRENT_TRANSACTION)) "
            "THEN EXCEPTION BRANCH_REFUSES; END");
        dbs.detachAll();
        server.start();
        openWindow({.sourceDatabase = server.databaseName(dbs.sourcePath())}, {kProducts});
        window->bsSkinEdit1->setText("50");
    }

    // A product changed at headquarters and queued for store 0001; headquarters is
    // not served meanwhile.
    void changeProduct(int n, const std::string& packQty) {
        const std::string id = "'" + productId(n) + "'";
        dbs.execSource(
            "UPDATE OR INSERT INTO PRODUCT (PROD_ID, PROD_NAME, SALE_PRICE, PACK_QTY) VALUES (" +
            id + ", 'tea " + std::to_string(n) + "', " + std::to_string(n) + ".5, '" + packQty +
            "') MATCHING (PROD_ID)");
        dbs.execSource("INSERT INTO PRODUCT_WAIT (STORE_ID, PROD_ID, STATE) VALUES ('0001', " + id +
                       ", 'UPDATE')");
    }

    // Headquarters away while the work is done in its file, then served again.
    void whileHeadquartersIsAway(const std::function<void()>& work) {
        server.stop();
        work();
        dbs.detachAll();
        server.start();
    }

    // The connections file with headquarters where database says, and a
    // Connection Timeout of two seconds.
    void pointHeadquartersAt(const std::string& database) {
        const std::string connections = dbs.writeRegistry({.sourceDatabase = database}).first;
        std::stringstream text;
        text << std::ifstream(connections).rdbuf();
        std::string ini = text.str();
        ini.replace(ini.find("[Dravonel]\n"), 11, "[Dravonel]\nConnection Timeout=2\n");
        std::ofstream(connections) << ini;
    }

    // Sets or removes the flag that makes every commit at the branch fail.
    void refuseCommitsAtTheBranch(bool refuse) {
        dbs.execTarget(refuse ? "INSERT INTO REFUSE_COMMITS VALUES (CURRENT_TRANSACTION)"
                              : "DELETE FROM REFUSE_COMMITS");
        dbs.detachAll();
    }

    // The per-user switch the window reads at every run.
    void setBulkDownload(const char* value) {
        QSettings(QStringLiteral("olvarin"), QStringLiteral("olvarin"))
            .setValue(QStringLiteral("Bulk Download"), value);
    }

    void pauseTimer() { window->CheckBox1->setChecked(false); }
    void resumeTimer() { window->CheckBox1->setChecked(true); }

    // The log of the first timer run from now that ends, the timer running.
    QStringList nextRun() {
        window->Memo1->clear();
        const bool ended = QTest::qWaitFor(
            [&] {
                const QStringList log = lines(*window->Memo1);
                return log.size() >= 2 && log.last().startsWith("2024/03/05-");
            },
            30000);
        EXPECT_TRUE(ended) << lines(*window->Memo1).join("\n").toStdString();
        return lines(*window->Memo1);
    }

    // Runs until one ends whose log contains the text; gives that log.
    QStringList runUntilALogContains(const QString& text) {
        QStringList log;
        for (int run = 0; run < 20; ++run) {
            log = nextRun();
            if (log.join("\n").contains(text)) return log;
        }
        ADD_FAILURE() << "no run logged " << text.toStdString() << "; the last:\n"
                      << log.join("\n").toStdString();
        return log;
    }

    // Transactions of the program's own at the branch while it waits for the next
    // run (the driver's implicit autocommit transactions and the engine's own
    // garbage collector aside).
    Rows openTransactionsAtTheBranch() {
        const Rows open = dbs.queryTarget(
            "SELECT T.MON$TRANSACTION_ID FROM MON$TRANSACTIONS T JOIN MON$ATTACHMENTS A "
            "ON A.MON$ATTACHMENT_ID = T.MON$ATTACHMENT_ID WHERE T.MON$AUTO_COMMIT = 0 "
            "AND A.MON$SYSTEM_FLAG = 0 AND A.MON$ATTACHMENT_ID <> CURRENT_CONNECTION");
        dbs.detachAll();
        return open;
    }

    // Each failure in turn: a run during it fails and names it (or refuses the one
    // record), and once it is over the next run succeeds and leaves nothing open.
    void runThrough(const std::vector<Failure>& failures) {
        for (const Failure& failure : failures) {
            SCOPED_TRACE(failure.name);
            pauseTimer();
            failure.begin();
            resumeTimer();
            if (failure.duringRun) runUntilALogContains(failure.duringRun);
            pauseTimer();
            failure.end();
            resumeTimer();
            const QStringList after =
                failure.duringRun ? runUntilALogContains("Done...") : nextRun();
            EXPECT_TRUE(after.contains("Done...")) << after.join("\n").toStdString();
            pauseTimer();
            EXPECT_EQ(openTransactionsAtTheBranch(), Rows{});
        }
    }

    testsupport::PrivateServer server;
    testsupport::StalledServer stalled;
};

TEST_F(AutoModeThroughFailures, EveryRunAfterAFailureSucceedsAndAtTheEndNothingIsLost) {
    QProcess holder;  // another program with the branch file open
    const std::vector<Failure> failures{
        {"branchFileLockedByAnotherProcess",
         [&] {
             holder.start("isql-fb", {"-user", "OLVTEST", "-password", "olvtest",
                                      QString::fromStdString(dbs.targetPath())});
             holder.write("SELECT 'holding' FROM RDB$DATABASE;\n");
             ASSERT_TRUE(
                 QTest::qWaitFor([&] { return holder.peek(4096).contains("holding"); }, 10000));
         },
         [&] {
             holder.closeWriteChannel();
             holder.waitForFinished(10000);
         },
         "Database already opened with engine instance, incompatible with current"},
        {"linkLostAndBack", [&] { server.stop(); },
         [&] {
             changeProduct(4, "4");
             dbs.detachAll();
             server.start();
         },
         "Unable to complete network request to host \"localhost\"."},
        {"headquartersRestartedWhileIdle",
         [&] { whileHeadquartersIsAway([&] { changeProduct(5, "5"); }); }, [] {}, nullptr},
        {"stalledHeadquarters",
         [&] {
             pointHeadquartersAt(stalled.databaseName(dbs.sourcePath()));
             server.stop();  // the link drops, so the next run connects again
         },
         [&] {
             pointHeadquartersAt(server.databaseName(dbs.sourcePath()));
             changeProduct(6, "6");
             dbs.detachAll();
             server.start();
         },
         "did not answer within 2 seconds (Connection Timeout)"},
        {"commitRefused",
         [&] {
             whileHeadquartersIsAway([&] { changeProduct(7, "7"); });
             refuseCommitsAtTheBranch(true);
         },
         [&] { refuseCommitsAtTheBranch(false); }, "the branch refuses the commit"},
        {"commitRefusedOnTheBulkPath",
         [&] {
             setBulkDownload("true");
             whileHeadquartersIsAway([&] { changeProduct(8, "8"); });
             refuseCommitsAtTheBranch(true);
         },
         [&] {
             refuseCommitsAtTheBranch(false);
             setBulkDownload("false");
         },
         "the branch refuses the commit"},
        // Each category's path chosen afresh: the first statement to headquarters is
        // the count of the store's queue.
        {"linkLostAndBackWithBulkAuto",
         [&] {
             setBulkDownload("auto");
             server.stop();
         },
         [&] {
             changeProduct(9, "9");
             dbs.detachAll();
             server.start();
         },
         "Unable to complete network request to host \"localhost\"."},
    };
    runThrough(failures);
    setBulkDownload("false");

    server.stop();
    window.reset();
    EXPECT_EQ(dbs.queryTarget(kChangedProducts), dbs.querySource(kChangedProducts));
    EXPECT_EQ(dbs.querySource(kChangedProducts).size(), 9u);
    EXPECT_EQ(dbs.querySource("SELECT PROD_ID FROM PRODUCT_WAIT WHERE STORE_ID = '0001'"), Rows{});
    EXPECT_TRUE(errors.texts().isEmpty());
}

// A record the branch cannot take (headquarters' text 'abc' bound for the
// branch's INTEGER column), in the same program's timer runs: it costs itself
// alone, the runs go on, and once headquarters mends it, it arrives.
TEST_F(AutoModeThroughFailures, ARefusedRecordCostsOnlyItselfAndArrivesOnceMended) {
    const std::vector<Failure> failures{
        {"recordRefused",
         [&] {
             whileHeadquartersIsAway([&] {
                 dbs.execSource("ALTER TABLE PRODUCT ALTER COLUMN PACK_QTY TYPE VARCHAR(20)");
                 changeProduct(4, "abc");
                 changeProduct(5, "5");
             });
         },
         [&] { whileHeadquartersIsAway([&] { changeProduct(4, "4"); }); },
         "PRODUCT row 'T04' refused and stays queued: CDS_T1: 'abc' is not a valid integer value"},
    };
    runThrough(failures);

    server.stop();
    window.reset();
    EXPECT_EQ(dbs.queryTarget(kChangedProducts), dbs.querySource(kChangedProducts));
    EXPECT_EQ(dbs.querySource("SELECT PROD_ID FROM PRODUCT_WAIT WHERE STORE_ID = '0001'"), Rows{});
}

}  // namespace
