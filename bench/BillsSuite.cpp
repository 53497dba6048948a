// Price-change bills in mode Changed: headquarters queues N CHGPRICE bills of ten
// lines each for one store, every line due and naming its own product, and the
// branch holds those products. The run copies every bill and then applies the due
// price changes. The default path against the bulk path.
#include <cstdio>
#include <map>
#include <stdexcept>
#include <string>

#include "bench/BenchDatabases.h"
#include "bench/BenchTable.h"
#include "bench/ChildProcess.h"
#include "bench/EngineSide.h"
#include "bench/Measure.h"
#include "bench/Report.h"
#include "bench/Suites.h"
#include "bench/TimingModule.h"

namespace bench {
namespace {

const char* const kStore = "0001";
constexpr long long kLinesPerBill = 10;
const char* const kNewSalePrice = "1234.50";  // above every price the products start with

// How EngineSide reaches the bills: their category and its end message (the page
// statements and fills of a BenchTable are not used here).
const BenchTable kPriceChangeBills{.shortName = "chgprice",
                                   .name = "CHGPRICE_SUB",
                                   .category = 7,
                                   .keyColumn = "MASTERBILLID",
                                   .pageSize = 10,
                                   .pageBound = 0,
                                   .firstPage = "",
                                   .laterPagePrefix = "",
                                   .laterPageSuffix = "",
                                   .keyedSelectPrefix = "",
                                   .endMessage = "chgprice Data Update Finished..!",
                                   .editedUser = ""};

// Bills C00000000.. with lines for products P00000000.. (bill b, line l: product
// b * 10 + l), due since 2000 and waiting for the store.
std::string queueBillsSql(long long bills) {
    const std::string lines = std::to_string(kLinesPerBill);
    return "EXECUTE BLOCK AS DECLARE b INTEGER = 0; DECLARE l INTEGER; "
           "DECLARE id VARCHAR(20); BEGIN "
           "WHILE (b < " +
           std::to_string(bills) +
           ") DO BEGIN "
           "id = 'C' || LPAD(CAST(:b AS VARCHAR(12)), 8, '0'); "
           "INSERT INTO CHGPRICE_MASTER (MASTERBILLID, BILL_DATE, IMM_CHG, CHGPRICE_DATE, "
           "STORE_ID, CHG_DATE, CHG_USER, TRN_CODE) VALUES (:id, '2000-01-01', '1', "
           "'2000/01/01', '" +
           kStore +
           "', '2000/01/01', 'HQ', 'N'); "
           "l = 0; WHILE (l < " +
           lines +
           ") DO BEGIN "
           "INSERT INTO CHGPRICE_SUB (MASTERBILLID, BILL_DATE, IMM_CHG, CHGPRICE_DATE, STORE_ID, "
           "PROD_ID, PROD_NAME, PROD_BARCODE, O_PD_ITEMID, O_SALE_PRICE, O_PSALE_PRICE, "
           "O_VIP_PRICE, O_STD_COST, N_PD_ITEMID, N_SALE_PRICE, N_PSALE_PRICE, N_VIP_PRICE, "
           "N_STD_COST, SAL_TAG, IN_TAG, CHG_DATE, CHG_USER, TRN_CODE) VALUES (:id, "
           "'2000-01-01', '1', '2000/01/01', '" +
           kStore + "', 'P' || LPAD(CAST(:b * " + lines +
           " + :l AS VARCHAR(12)), 8, '0'), 'Product', '4710', 'I0000001', 10, 9, 8, 7.5, "
           "'I0000002', " +
           kNewSalePrice +
           ", 1200, 1100, 900.25, 1, 0, '2000/01/01', 'HQ', 'N'); "
           "l = l + 1; END "
           "INSERT INTO CHGPRICE_WAIT (STORE_ID, MASTERBILLID, STATE) VALUES ('" +
           kStore +
           "', :id, 'INSERT'); "
           "b = b + 1; END END";
}

// What the branch and the queue must hold after the download; throws otherwise.
void checkBranch(const std::string& side, BenchDatabases& databases, long long bills) {
    const long long lines = bills * kLinesPerBill;
    const long long masters = databases.countBranch("SELECT COUNT(*) FROM CHGPRICE_MASTER");
    const long long applied =
        databases.countBranch("SELECT COUNT(*) FROM CHGPRICE_SUB WHERE TRN_CODE = 'Y'");
    const long long repriced = databases.countBranch(
        std::string("SELECT COUNT(*) FROM PRODUCT WHERE SALE_PRICE = ") + kNewSalePrice);
    const long long queued = databases.countSource(
        std::string("SELECT COUNT(*) FROM CHGPRICE_WAIT WHERE STORE_ID = '") + kStore + "'");
    if (masters != bills || applied != lines || repriced != lines || queued != 0) {
        throw std::runtime_error(
            side + ": " + std::to_string(masters) + " bills, " + std::to_string(applied) +
            " lines applied, " + std::to_string(repriced) + " products repriced, " +
            std::to_string(queued) + " bills still queued; expected " + std::to_string(bills) +
            ", " + std::to_string(lines) + ", " + std::to_string(lines) + " and 0");
    }
}

PhaseResult measureSide(const std::string& side, long long bills, const TimingModule& timing) {
    const Stopwatch setUp;
    BenchDatabases databases(benchTable("product"), 0);
    databases.fillBranch(bills * kLinesPerBill);
    databases.execSource(queueBillsSql(bills));
    std::fprintf(stderr, "  %lld queued bills of %lld lines and their products in %.1f s\n", bills,
                 kLinesPerBill, setUp.seconds());

    resetPeakRss();
    const long long writes = databases.branchPageWrites();
    EngineSide engine(databases.registry(OLVARIN_TIMING_DRIVER), kPriceChangeBills,
                      {.bulk = side == "bulk", .mode = engine::kModeChanged, .storeId = kStore},
                      timing.times());
    PhaseResult r = engine.download();
    r.peakRssKiB = peakRssKiB();
    r.branchPageWrites = databases.branchPageWrites() - writes;
    printProgress(side + " CHGPRICE bills", r);

    // Every master and line copied, and every line's product updated.
    const long long written = bills * (1 + 2 * kLinesPerBill);
    if (r.rows != written) {
        throw std::runtime_error(side + ": " + std::to_string(r.rows) + " rows written; expected " +
                                 std::to_string(written));
    }
    checkBranch(side, databases, bills);
    return r;
}

}  // namespace

int runBillsSuite(const BenchOptions& options) {
    std::fprintf(stderr, "bills, %lld queued price-change bills:\n", options.bills);
    return runInChild([&] {
        const TimingModule timing;
        std::map<std::string, PhaseResult> results;
        for (const char* side : {"default", "bulk"}) {
            results[side] = measureSide(side, options.bills, timing);
        }
        for (const char* side : {"default", "bulk"}) {
            SideLine line{"Changed, price-change bills x10 lines",
                          options.bills,
                          "CHGPRICE",
                          side,
                          results[side],
                          {},
                          {}};
            if (std::string(side) != "default")
                line.speedUp = results["default"].seconds / results[side].seconds;
            printTableRow(line);
        }
        return 0;
    });
}

}  // namespace bench
