// The bulk path against the default one: from the same headquarters and branch
// both leave the same branch database and the same queues, and keyset pages pass
// over no row that headquarters changes around them.
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "base/Clock.h"
#include "tests/engine/EngineFixture.h"
#include "tests/engine/StatementHook.h"

namespace testsupport {
namespace {

// Every table the download writes or claims, each read whole in a fixed order
// (queue rows without their QUEUED_AT, which is the time they were made).
const char* const kBranchTables[] = {
    "PROD_TOPITEM",       "PROD_HIITEM",     "PROD_ITEM",    "PRODUCT",     "PROVIDER",
    "CUSTOMER",           "PROD_SALE",       "PSALE_MASTER", "PSALE_SUB",   "PTSALE_MASTER",
    "PTSALE_SUB",         "CHGPRICE_MASTER", "CHGPRICE_SUB", "QUOT_MASTER", "QUOT_SUB",
    "INPROMOTION_MASTER", "INPROMOTION_SUB"};
const char* const kQueues[][2] = {
    {"PRODUCT_WAIT", "PROD_ID"},     {"PROVIDER_WAIT", "PROVIDER_ID"},
    {"CUSTOMER_WAIT", "CUST_ID"},    {"PSALE_WAIT", "MASTERBILLID"},
    {"PTSALE_WAIT", "MASTERBILLID"}, {"CHGPRICE_WAIT", "MASTERBILLID"},
    {"QUOT_WAIT", "MASTERBILLID"},   {"INPROMOTION_WAIT", "MASTERBILLID"}};

std::string sampleSql() {
    // A file of this process's own: tests run side by side (ctest -j, other worktrees).
    const std::string path =
        ::testing::TempDir() + "olvarin-bulk-sample-" + std::to_string(::getpid()) + ".sql";
    const std::string command =
        std::string(OLVARIN_DEMODATA) + " --today 2005/03/01 --output " + path;
    if (std::system(command.c_str()) != 0) throw std::runtime_error("cannot run " + command);
    std::stringstream text;
    text << std::ifstream(path).rdbuf();
    std::remove(path.c_str());
    return text.str();
}

// One headquarters and branch with the form and a plain window on them.
struct World {
    TestDatabases dbs;
    db::RegistryFiles files;
    std::unique_ptr<engine::FormData> data;
    TestView view;

    explicit World(const std::string& sample) {
        auto [connections, drivers] = dbs.writeRegistry();
        files = {connections, drivers};
        data = std::make_unique<engine::FormData>(files);
        runScript(dbs.sourcePath(), sample);
        // Keys with quotes, and branch rows of its own: some overwritten, some deleted.
        for (const char* sql :
             {"INSERT INTO PRODUCT (PROD_ID, PROD_BARCODE, PROD_NAME, SALE_PRICE, CHG_DATE) "
              "VALUES ('O''BRIEN', '4710''1', 'quoted', 12, '2005/03/01')",
              "INSERT INTO PRODUCT_WAIT (STORE_ID, PROD_ID, STATE) VALUES ('0001', 'O''BRIEN', "
              "'UPDATE')",
              "INSERT INTO PROD_SALE (SAL_BARCODE, PROD_ID, CHG_DATE) VALUES ('9''9', 'O''BRIEN', "
              "'2005/03/01')",
              "INSERT INTO PROD_ITEM (PD_ITEMID, PD_ITEMNAME) VALUES ('Z''1', 'quoted item')"}) {
            dbs.execSource(sql);
        }
        for (const char* sql :
             {"INSERT INTO PRODUCT (PROD_ID, PROD_BARCODE, PROD_NAME) VALUES ('O''BRIEN', "
              "'4710''1', 'old')",
              "INSERT INTO PROD_ITEM (PD_ITEMID, PD_ITEMNAME) VALUES ('ZZ', 'branch only')",
              // A branch rule that refuses one queued product every time.
              "ALTER TABLE PRODUCT ADD CONSTRAINT CK_NOT_REFUSED CHECK (PROD_NAME IS NULL OR "
              "PROD_NAME <> 'refused')"}) {
            dbs.execTarget(sql);
        }
        dbs.execSource(
            "UPDATE PRODUCT SET PROD_NAME = 'refused' WHERE PROD_ID = (SELECT MIN(PROD_ID) "
            "FROM PRODUCT_WAIT WHERE STORE_ID = '0001' AND STATE <> 'DELETE')");
    }
    void run(int mode, bool dateFilter, bool bulk) {
        view.ticked.fill(true);
        view.mode = mode;
        view.dateFilterOn = dateFilter;
        view.filterDate = "2005/03/01";
        engine::runDownload(view.request("0001", engine::bulkPathIf(bulk)), view, *data);
        ASSERT_EQ(view.lines.back(), "Done...");
    }
    std::vector<std::string> refusals() const {
        std::vector<std::string> out;
        for (const auto& line : view.lines)
            if (line.find(" refused") != std::string::npos ||
                line.find("not copied") != std::string::npos)
                out.push_back(line);
        return out;
    }
    Rows everything() {
        Rows all;
        for (const char* table : kBranchTables) {
            all.push_back({std::string("-- ") + table});
            for (auto& row :
                 dbs.queryTarget(std::string("SELECT * FROM ") + table + " ORDER BY 1, 2"))
                all.push_back(row);
        }
        for (const auto& [queue, key] : kQueues) {
            all.push_back({std::string("-- ") + queue});
            for (auto& row : dbs.querySource(std::string("SELECT WAIT_ID, STORE_ID, ") + key +
                                             ", STATE, TRAN_CODE FROM " + queue + " ORDER BY 1"))
                all.push_back(row);
        }
        return all;
    }
};

class BulkPath : public ::testing::Test {
  protected:
    void SetUp() override {
        base::setClock([] { return base::LocalDateTime{2005, 3, 1, 10, 20, 30}; });
        const std::string sample = sampleSql();
        plain = std::make_unique<World>(sample);
        bulk = std::make_unique<World>(sample);
    }
    void TearDown() override {
        setStatementHook({});
        base::setClock({});
    }

    std::unique_ptr<World> plain;
    std::unique_ptr<World> bulk;
};

TEST_F(BulkPath, LeavesTheSameBranchAndQueuesAsTheDefaultPath) {
    const struct {
        int mode;
        bool dateFilter;
    } steps[] = {{engine::kModeAll, true},
                 {engine::kModeChanged, false},
                 {engine::kModeAll, false},
                 {engine::kModeChanged, false}};
    for (const auto& step : steps) {
        plain->run(step.mode, step.dateFilter, false);
        bulk->run(step.mode, step.dateFilter, true);
        const std::string what =
            "mode " + std::to_string(step.mode) + (step.dateFilter ? " filtered" : "");
        EXPECT_EQ(plain->everything(), bulk->everything()) << what;
        EXPECT_EQ(plain->refusals(), bulk->refusals()) << what;
    }
    EXPECT_GT(bulk->dbs.queryTarget("SELECT COUNT(*) FROM PRODUCT")[0][0], "300");
    EXPECT_EQ(bulk->dbs.queryTarget("SELECT COUNT(*) FROM PSALE_SUB"),
              bulk->dbs.querySource("SELECT COUNT(*) FROM PSALE_SUB"));
    // The refused product was refused in both and is still queued in both.
    EXPECT_FALSE(bulk->refusals().empty());
    EXPECT_FALSE(
        bulk->dbs.querySource("SELECT 1 FROM PRODUCT_WAIT WHERE STORE_ID = '0001'").empty());
    // The bulk path read pages of hundreds, never FIRST 10 SKIP.
    for (const auto& line : bulk->view.lines)
        EXPECT_EQ(line.find("SKIP"), std::string::npos) << line;
}

// The one place where they rightly differ: a branch product without a barcode.
// The default path's mode All finds products by barcode, so it inserts the row
// again and the branch refuses it by its key; written by key, it is overwritten.
TEST_F(BulkPath, ABranchProductWithoutBarcodeIsOverwrittenInModeAll) {
    const std::string id = plain->dbs.querySource("SELECT MIN(PROD_ID) FROM PRODUCT")[0][0];
    for (World* world : {plain.get(), bulk.get()})
        world->dbs.execTarget("INSERT INTO PRODUCT (PROD_ID, PROD_NAME) VALUES ('" + id +
                              "', 'no barcode')");

    plain->run(engine::kModeAll, false, false);
    bulk->run(engine::kModeAll, false, true);

    const std::string name = "SELECT PROD_NAME FROM PRODUCT WHERE PROD_ID = '" + id + "'";
    EXPECT_EQ(plain->dbs.queryTarget(name), (Rows{{"no barcode"}}));
    EXPECT_EQ(bulk->dbs.queryTarget(name), plain->dbs.querySource(name));
    ASSERT_EQ(plain->refusals().size(), bulk->refusals().size() + 1);
    EXPECT_EQ(plain->refusals()[0].rfind("PRODUCT row '" + id + "' refused: ", 0), 0u)
        << plain->refusals()[0];
}

// Headquarters deletes rows the scan has read already while it goes on: offset
// pages shift and pass over rows that were there all along; the bulk scan's one
// query does not.
TEST_F(BulkPath, RowsDeletedBehindTheScanMakeOffsetPagesSkipButNotTheBulkScan) {
    for (World* world : {plain.get(), bulk.get()}) {
        world->dbs.execSource(
            "EXECUTE BLOCK AS DECLARE I INTEGER = 0; BEGIN WHILE (I < 1100) DO BEGIN "
            "INSERT INTO PROD_ITEM (PD_ITEMID, PD_ITEMNAME) VALUES ('K' || LPAD(:I, 5, '0'), "
            "'bulk'); "
            "I = I + 1; END END");
    }
    auto deleteTheFirstPageAfterIt = [](World& world, const std::string& secondPage) {
        setStatementHook([&world, secondPage, done = false](const std::string& sql) mutable {
            if (!done && sql.rfind(secondPage, 0) == 0 && (done = true))
                world.dbs.execSource("DELETE FROM PROD_ITEM WHERE PD_ITEMID < 'K00050'");
        });
    };
    auto smallCategories = [](World& world, bool bulkPath) {
        world.view.tickOnly({2});
        world.view.mode = engine::kModeAll;
        // A commit after every page, so that the deletion falls between two pages.
        engine::runDownload(world.view.request("0001", engine::bulkPathIf(bulkPath)), world.view,
                            *world.data, {.bulkCommitRows = 1});
    };
    for (World* world : {plain.get(), bulk.get()}) {
        auto [connections, drivers] = world->dbs.writeRegistry();
        std::ofstream(drivers)
            << "[Interbase]\nLibraryName=" << OLVARIN_FAULT_DRIVER
            << "\nGetDriverFunc=getSQLDriverINTERBASE\nVendorLib=libfbclient.so.2\n";
        world->data = std::make_unique<engine::FormData>(db::RegistryFiles{connections, drivers});
    }
    const std::string survivors =
        "SELECT COUNT(*) FROM PROD_ITEM WHERE PD_ITEMID BETWEEN 'K00050' AND 'K99999'";

    deleteTheFirstPageAfterIt(*plain, "SELECT FIRST 100 SKIP 100 ");
    smallCategories(*plain, false);
    deleteTheFirstPageAfterIt(*bulk, "COMMIT");  // the first page's
    smallCategories(*bulk, true);
    setStatementHook({});

    for (World* world : {plain.get(), bulk.get()})  // the deletion did happen behind both scans
        EXPECT_EQ(
            world->dbs.querySource("SELECT COUNT(*) FROM PROD_ITEM WHERE PD_ITEMID < 'K00050'"),
            (Rows{{"0"}}));
    EXPECT_EQ(bulk->dbs.queryTarget(survivors), bulk->dbs.querySource(survivors));
    EXPECT_LT(std::stoi(plain->dbs.queryTarget(survivors)[0][0]),
              std::stoi(plain->dbs.querySource(survivors)[0][0]));
}

}  // namespace
}  // namespace testsupport
