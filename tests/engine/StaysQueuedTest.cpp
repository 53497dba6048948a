// A change that did not arrive stays queued: a record the branch refuses (a CHECK,
// a lock held by the shop's own programs) keeps its queue rows, is retried every
// run, never holds up the others, and arrives on the first run after the cause
// is gone.
#include <chrono>
#include <fstream>
#include <thread>

#include "tests/engine/EngineFixture.h"
#include "tests/support/FbOracle.h"

namespace testsupport {
namespace {

using Lines = std::vector<std::string>;

// A second attachment to the branch that holds an uncommitted update of one row,
// as one of the shop's programs would, until release().
class HeldRowLock {
  public:
    HeldRowLock(const std::string& database, const std::string& update)
        : attachment_(fb::attach(database)) {
        fb::run("lock", [&](Firebird::ThrowStatusWrapper* st) {
            transaction_ =
                fb::Ref<Firebird::ITransaction>(attachment_->startTransaction(st, 0, nullptr));
            attachment_->execute(st, transaction_.get(), 0, update.c_str(), 3, nullptr, nullptr,
                                 nullptr, nullptr);
        });
    }
    ~HeldRowLock() { release(); }
    void release() {
        if (!transaction_) return;
        fb::run("unlock", [&](Firebird::ThrowStatusWrapper* st) {
            transaction_.finish([&](Firebird::ITransaction* t) { t->rollback(st); });
        });
        fb::detach(attachment_);
    }

  private:
    fb::Ref<Firebird::IAttachment> attachment_;
    fb::Ref<Firebird::ITransaction> transaction_;
};

class StaysQueuedTest : public EngineTest {
  protected:
    void SetUp() override {
        EngineTest::SetUp();
        for (const char* id : {"P1", "P2", "P3"}) {
            dbs.execSource(
                std::string("INSERT INTO PRODUCT (PROD_ID, PROD_NAME, SALE_PRICE) VALUES ('") + id +
                "', 'new " + id + "', 30)");
            dbs.execTarget(
                std::string("INSERT INTO PRODUCT (PROD_ID, PROD_NAME, SALE_PRICE) VALUES ('") + id +
                "', 'old " + id + "', 25)");
            queue("0001", id);
        }
        queue("0002", "P2");
        view.tickOnly({3});
        view.mode = engine::kModeChanged;
    }
    void queue(const std::string& store, const std::string& id) {
        dbs.execSource("INSERT INTO PRODUCT_WAIT (STORE_ID, PROD_ID, STATE) VALUES ('" + store +
                       "', '" + id + "', 'UPDATE')");
    }
    Rows products() { return dbs.queryTarget("SELECT PROD_ID, PROD_NAME FROM PRODUCT ORDER BY 1"); }
    Rows productQueue() {
        return dbs.querySource(
            "SELECT STORE_ID, PROD_ID, TRAN_CODE FROM PRODUCT_WAIT ORDER BY 1, 2");
    }
    Lines refusals() const {
        Lines out;
        for (const auto& line : view.lines)
            if (line.find(" refused") != std::string::npos) out.push_back(line);
        return out;
    }
    // Sets WaitOnLocks of the branch's section (absent when value is null).
    void setWaitOnLocks(const char* value) {
        std::ifstream in(files.connectionsFile);
        std::string text, line;
        bool inBranch = false;
        while (std::getline(in, line)) {
            if (!line.empty() && line[0] == '[') inBranch = line == "[Corvane]";
            if (line.rfind("WaitOnLocks=", 0) == 0 && inBranch) {
                if (value) text += std::string("WaitOnLocks=") + value + "\n";
                continue;
            }
            text += line + "\n";
        }
        std::ofstream(files.connectionsFile, std::ios::trunc) << text;
        data = std::make_unique<engine::FormData>(files);
    }
};

TEST_F(StaysQueuedTest, ARefusedRecordKeepsItsQueueRowsAndArrivesOnceTheCauseIsGone) {
    dbs.execTarget("ALTER TABLE PRODUCT ADD CONSTRAINT CK_NAME CHECK (PROD_NAME <> 'new P2')");

    for (int runNumber = 1; runNumber <= 2; ++runNumber) {  // refused every run, the others unheld
        engine::RunTally tally;
        run("0001", {.tally = &tally});
        const engine::CategoryTally& counts = tally.categories[3];
        EXPECT_TRUE(counts.ran);
        EXPECT_EQ(counts.rowsWritten, runNumber == 1 ? 2u : 0u);
        EXPECT_EQ(counts.rowsRefused, 1u);
        EXPECT_EQ(counts.queueRowsRemoved, runNumber == 1 ? 2u : 0u);
        EXPECT_FALSE(tally.categories[4].ran);
        EXPECT_EQ(products(), (Rows{{"P1", "new P1"}, {"P2", "old P2"}, {"P3", "new P3"}}));
        EXPECT_EQ(productQueue(), (Rows{{"0001", "P2", "N"}, {"0002", "P2", "N"}}))
            << "run " << runNumber;
        const Lines refused = refusals();
        ASSERT_EQ(refused.size(), 1u) << "run " << runNumber;
        EXPECT_EQ(refused[0].rfind("PRODUCT row 'P2' refused and stays queued: ", 0), 0u)
            << refused[0];
        EXPECT_NE(refused[0].find("CK_NAME"), std::string::npos) << refused[0];
        EXPECT_EQ(view.lines.back(), "Done...");
    }

    dbs.execTarget("ALTER TABLE PRODUCT DROP CONSTRAINT CK_NAME");
    run();
    EXPECT_EQ(products(), (Rows{{"P1", "new P1"}, {"P2", "new P2"}, {"P3", "new P3"}}));
    EXPECT_EQ(productQueue(), (Rows{{"0002", "P2", "N"}}));
    EXPECT_TRUE(refusals().empty());
}

TEST_F(StaysQueuedTest, ARowLockedByAnotherProgramIsRefusedWithoutWaitingAndArrivesNextRun) {
    for (const char* waitOnLocks :
         {"False", static_cast<const char*>(nullptr)}) {  // absent is false
        setWaitOnLocks(waitOnLocks);
        HeldRowLock lock(dbs.targetPath(),
                         "UPDATE PRODUCT SET PROD_NAME = 'shop' WHERE PROD_ID = 'P2'");
        run();
        EXPECT_EQ(products(), (Rows{{"P1", "new P1"}, {"P2", "old P2"}, {"P3", "new P3"}}));
        EXPECT_EQ(productQueue(), (Rows{{"0001", "P2", "N"}, {"0002", "P2", "N"}}));
        ASSERT_EQ(refusals().size(), 1u);
        EXPECT_NE(refusals()[0].find("update conflicts with concurrent update"), std::string::npos)
            << refusals()[0];

        lock.release();
        run();
        EXPECT_EQ(products(), (Rows{{"P1", "new P1"}, {"P2", "new P2"}, {"P3", "new P3"}}));
        EXPECT_EQ(productQueue(), (Rows{{"0002", "P2", "N"}}));
        // Queued again for the second round.
        dbs.execTarget("UPDATE PRODUCT SET PROD_NAME = 'old P2' WHERE PROD_ID = 'P2'");
        queue("0001", "P2");
    }
}

TEST_F(StaysQueuedTest, WithWaitOnLocksTheWriteWaitsForTheOtherProgram) {
    setWaitOnLocks("True");
    HeldRowLock lock(dbs.targetPath(),
                     "UPDATE PRODUCT SET PROD_NAME = 'shop' WHERE PROD_ID = 'P2'");
    std::thread shop([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(700));
        lock.release();
    });
    run();
    shop.join();
    EXPECT_EQ(products(), (Rows{{"P1", "new P1"}, {"P2", "new P2"}, {"P3", "new P3"}}));
    EXPECT_EQ(productQueue(), (Rows{{"0002", "P2", "N"}}));
    EXPECT_TRUE(refusals().empty());
}

// A failure that belongs to one record, of each kind: the record is refused and
// stays queued, the rest of its category and the later categories arrive, and the
// record arrives once its cause is mended. On both paths.
struct RecordFailure {
    const char* name;
    std::vector<std::string> atHeadquarters;  // the failure planted
    std::vector<std::string> atBranch;
    std::vector<std::string> mendHeadquarters;
    std::vector<std::string> mendBranch;
    const char* message;     // part of the refusal line after "refused and stays queued: "
    const char* mendedName;  // P2's name after the mend; "" when P2 is deleted
};

void PrintTo(const RecordFailure& f, std::ostream* os) {
    *os << f.name;
}

const RecordFailure kRecordFailures[] = {
    {"textForAnInteger",
     {"ALTER TABLE PRODUCT ALTER COLUMN PACK_QTY TYPE VARCHAR(20)",
      "UPDATE PRODUCT SET PACK_QTY = 'abc' WHERE PROD_ID = 'P2'"},
     {},
     {"UPDATE PRODUCT SET PACK_QTY = '6' WHERE PROD_ID = 'P2'"},
     {},
     "'abc' is not a valid integer value",
     "new P2"},
    {"numberOutOfRange",
     {"ALTER TABLE PRODUCT ALTER COLUMN SAL_TAG TYPE INTEGER",
      "UPDATE PRODUCT SET SAL_TAG = 70000 WHERE PROD_ID = 'P2'"},
     {},
     {"UPDATE PRODUCT SET SAL_TAG = 7 WHERE PROD_ID = 'P2'"},
     {},
     "'70000' is not a valid smallint value",
     "new P2"},
    {"dateThatDoesNotParse",
     {"UPDATE PRODUCT SET NOTE = 'someday' WHERE PROD_ID = 'P2'"},
     {"ALTER TABLE PRODUCT DROP NOTE", "ALTER TABLE PRODUCT ADD NOTE DATE"},
     {"UPDATE PRODUCT SET NOTE = '2026/12/01' WHERE PROD_ID = 'P2'"},
     {},
     "'someday' is not a valid date and time",
     "new P2"},
    {"refusedByABranchRule",
     {"UPDATE PRODUCT SET PROD_NAME = 'banned' WHERE PROD_ID = 'P2'"},
     {"ALTER TABLE PRODUCT ADD CONSTRAINT CK_NOT_BANNED CHECK (PROD_NAME <> 'banned')"},
     {"UPDATE PRODUCT SET PROD_NAME = 'new P2' WHERE PROD_ID = 'P2'"},
     {},
     "CK_NOT_BANNED",
     "new P2"},
    {"deletionRefused",
     {"INSERT INTO PRODUCT_WAIT (STORE_ID, PROD_ID, STATE) VALUES ('0001', 'P2', 'DELETE')",
      "DELETE FROM PRODUCT_WAIT WHERE STORE_ID = '0001' AND PROD_ID = 'P2' AND STATE = 'UPDATE'"},
     {"CREATE TABLE SHELF (PROD_ID VARCHAR(20) REFERENCES PRODUCT (PROD_ID))",
      "INSERT INTO SHELF VALUES ('P2')"},
     {},
     {"DELETE FROM SHELF"},
     "FOREIGN KEY",
     ""},
    // Among deletions that go through: on the bulk path they share P2's transaction.
    {"deletionRefusedAmongDeletions",
     {"INSERT INTO PRODUCT_WAIT (STORE_ID, PROD_ID, STATE) VALUES ('0001', 'P0', 'DELETE')",
      "INSERT INTO PRODUCT_WAIT (STORE_ID, PROD_ID, STATE) VALUES ('0001', 'P2', 'DELETE')",
      "INSERT INTO PRODUCT_WAIT (STORE_ID, PROD_ID, STATE) VALUES ('0001', 'P4', 'DELETE')",
      "DELETE FROM PRODUCT_WAIT WHERE STORE_ID = '0001' AND PROD_ID = 'P2' AND STATE = 'UPDATE'"},
     {"INSERT INTO PRODUCT (PROD_ID, PROD_NAME) VALUES ('P0', 'discontinued')",
      "INSERT INTO PRODUCT (PROD_ID, PROD_NAME) VALUES ('P4', 'discontinued')",
      "CREATE TABLE SHELF (PROD_ID VARCHAR(20) REFERENCES PRODUCT (PROD_ID))",
      "INSERT INTO SHELF VALUES ('P2')"},
     {},
     {"DELETE FROM SHELF"},
     "FOREIGN KEY",
     ""},
};

class RecordFailureTest : public StaysQueuedTest,
                          public ::testing::WithParamInterface<std::tuple<RecordFailure, bool>> {};

TEST_P(RecordFailureTest, IsRefusedAloneAndArrivesOnceMended) {
    const auto& [failure, bulk] = GetParam();
    for (const auto& sql : failure.atHeadquarters) dbs.execSource(sql);
    for (const auto& sql : failure.atBranch) dbs.execTarget(sql);
    dbs.execSource("INSERT INTO PROVIDER (PROVIDER_ID, PROVIDER_NAME) VALUES ('V1', 'vendor')");
    dbs.execSource(
        "INSERT INTO PROVIDER_WAIT (STORE_ID, PROVIDER_ID, STATE) VALUES ('0001', 'V1', 'UPDATE')");
    view.tickOnly({3, 4});
    const std::string p2Queue =
        "SELECT STATE, TRAN_CODE FROM PRODUCT_WAIT WHERE STORE_ID = '0001' AND PROD_ID = 'P2'";
    const Rows queuedP2 = dbs.querySource(p2Queue);

    engine::RunTally tally;
    // On the bulk path a page of one row: the refused row shares its branch
    // transaction with the pages before and after it.
    run("0001", {.tally = &tally, .bulk = engine::bulkPathIf(bulk), .bulkPageSize = 1});
    EXPECT_EQ(view.lines.back(), "Done...");
    const Lines refused = refusals();
    ASSERT_EQ(refused.size(), 1u);
    EXPECT_EQ(refused[0].rfind("PRODUCT row 'P2' refused and stays queued: ", 0), 0u) << refused[0];
    EXPECT_NE(refused[0].find(failure.message), std::string::npos) << refused[0];
    EXPECT_EQ(tally.categories[3].rowsRefused, 1u);
    // P2 untouched and still queued for this store, in waiting; the others arrived.
    EXPECT_EQ(products(), (Rows{{"P1", "new P1"}, {"P2", "old P2"}, {"P3", "new P3"}}));
    Rows waiting = queuedP2;
    for (auto& row : waiting) row[1] = "N";
    EXPECT_EQ(dbs.querySource(p2Queue), waiting);
    EXPECT_EQ(dbs.querySource("SELECT COUNT(*) FROM PRODUCT_WAIT WHERE PROD_ID <> 'P2'"),
              (Rows{{"0"}}));
    EXPECT_EQ(dbs.queryTarget("SELECT PROVIDER_NAME FROM PROVIDER"), (Rows{{"vendor"}}));

    for (const auto& sql : failure.mendHeadquarters) dbs.execSource(sql);
    for (const auto& sql : failure.mendBranch) dbs.execTarget(sql);
    run("0001", {.bulk = engine::bulkPathIf(bulk)});
    EXPECT_TRUE(refusals().empty());
    const Rows p2 = dbs.queryTarget("SELECT PROD_NAME FROM PRODUCT WHERE PROD_ID = 'P2'");
    EXPECT_EQ(p2, std::string(failure.mendedName).empty() ? Rows{} : Rows{{failure.mendedName}});
    EXPECT_EQ(productQueue(), (Rows{{"0002", "P2", "N"}}));
}

INSTANTIATE_TEST_SUITE_P(Kinds, RecordFailureTest,
                         ::testing::Combine(::testing::ValuesIn(kRecordFailures),
                                            ::testing::Bool()),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).name) +
                                    (std::get<1>(info.param) ? "_bulk" : "_default");
                         });

}  // namespace
}  // namespace testsupport
