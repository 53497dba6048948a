#include "engine/PriceChange.h"

#include <optional>
#include <set>
#include <string_view>
#include <utility>

#include "base/Clock.h"
#include "base/DateTimeFormat.h"
#include "base/SqlText.h"
#include "db/Error.h"
#include "engine/BillCopy.h"
#include "engine/BulkScan.h"
#include "engine/StatementText.h"
#include "engine/WaitQueues.h"

namespace engine {
namespace {

// {date} is today's date.
constexpr const char* kMarkDueLines =
    "UPDATE CHGPRICE_SUB SET TRN_CODE = 'W' WHERE CHGPRICE_DATE <= '{date}' AND TRN_CODE <> 'Y' ";
constexpr const char* kReadDueLines = "SELECT * FROM CHGPRICE_SUB WHERE TRN_CODE = 'W' ";
constexpr const char* kMarkApplied = "UPDATE CHGPRICE_SUB SET TRN_CODE = 'Y' WHERE TRN_CODE = 'W' ";
// A due line whose product the branch refused is held apart while the others are
// marked applied, then made due again for the next run. A run that ends between the
// two leaves it held, which the next run's marking of due lines takes up as well.
constexpr const char* kReleaseHeldLines =
    "UPDATE CHGPRICE_SUB SET TRN_CODE = 'W' WHERE TRN_CODE = 'R'";

constexpr const char* kUpdateProductLines[] = {
    "UPDATE PRODUCT SET PD_ITEMID = :PD_ITEMID ,",
    "                   SALE_PRICE = :SALE_PRICE, ",
    "                   PSALE_PRICE = :PSALE_PRICE,",
    "                   VIP_PRICE  = :VIP_PRICE,",
    "                   STD_COST  = :STD_COST,",
    "                   SAL_TAG = :SAL_TAG,",
    "                   IN_TAG  = :IN_TAG, ",
    "                   CHG_DATE  = :CHG_DATE, ",
    "                   CHG_TIME  = :CHG_TIME ",
};
// {key} is the line's PROD_ID.
constexpr const char* kUpdateProductWhere = " WHERE PROD_ID = '{key}'";
// The bulk path's: the product as a parameter, so that the update is prepared once.
constexpr const char* kUpdateProductByParameter = " WHERE PROD_ID = :PROD_ID";

// A parameter of the product update: from a column of the due line, or the clock
// formatted with a pattern, read when the parameter is set.
struct ProductParameter {
    const char* name;
    const char* lineColumn;  // nullptr: the clock
    Conversion conversion;
    std::string_view clockPattern = {};
};

// In the order they are set.
constexpr ProductParameter kProductParameters[] = {
    {"PD_ITEMID", "N_PD_ITEMID", Conversion::Text},
    {"SALE_PRICE", "N_SALE_PRICE", Conversion::DecimalFromText},
    {"PSALE_PRICE", "N_PSALE_PRICE", Conversion::DecimalFromText},
    {"VIP_PRICE", "N_VIP_PRICE", Conversion::DecimalFromText},
    {"STD_COST", "N_STD_COST", Conversion::DecimalFromText},
    {"SAL_TAG", "SAL_TAG", Conversion::IntegerFromText},
    {"IN_TAG", "IN_TAG", Conversion::IntegerFromText},
    {"CHG_DATE", nullptr, Conversion::Text, base::kPriceDatePattern},
    {"CHG_TIME", nullptr, Conversion::Text, base::kLongTimePattern},
};

db::Value parameterValue(const ProductParameter& p, db::ClientDataSet& line) {
    if (!p.lineColumn) return db::Value::text(base::formatDateTime(base::now(), p.clockPattern));
    return convertedValue(line.fieldByName(p.lineColumn), p.conversion);
}

// Writes the current due line's new values into its product.
void updateProduct(RunContext& run, db::ClientDataSet& line) {
    StatementValues product;
    product.key = line.fieldByName("PROD_ID").asString();
    db::SQLQuery& update = run.data.SQL_SubDet;
    update.close();
    update.clearSql();
    for (const char* text : kUpdateProductLines) update.addSql(text);
    update.addSql(run.bulk ? kUpdateProductByParameter
                           : expandStatement(kUpdateProductWhere, product));
    for (const ProductParameter& p : kProductParameters) {
        update.paramByName(p.name).setValue(parameterValue(p, line));
    }
    if (run.bulk) {
        update.paramByName("PROD_ID").setValue(db::Value::text(product.key));
        update.execPrepared();
    } else {
        update.execSQL();
    }
    run.counts().rowsWritten += update.rowsAffected();
}

// A line of a bill: its bill number and product.
using DueLine = std::pair<std::string, std::string>;

// Applies the current due line; a product update the branch refuses (a row a shop
// program holds, a constraint, a value its column cannot take) is logged as a
// refused row and the line is returned, to stay due.
std::optional<DueLine> applyLine(RunContext& run, db::ClientDataSet& line) {
    try {
        updateProduct(run, line);
        return std::nullopt;
    } catch (const db::Error& e) {
        if (e.kind() != db::ErrorKind::Refused) throw;
        const DueLine refused{line.fieldByName("MASTERBILLID").asString(),
                              line.fieldByName("PROD_ID").asString()};
        ++run.counts().rowsRefused;
        run.log("PRODUCT row '" + refused.second + "' refused" + kStaysQueued + ": " + e.what());
        return refused;
    }
}

void markApplied(RunContext& run, const std::set<DueLine>& refused) {
    for (const DueLine& line : refused) {
        executeOnTarget(run, "UPDATE CHGPRICE_SUB SET TRN_CODE = 'R' WHERE MASTERBILLID = '" +
                                 base::sqlLiteralBody(line.first) + "' AND PROD_ID = '" +
                                 base::sqlLiteralBody(line.second) + "' AND TRN_CODE = 'W'");
    }
    executeOnTarget(run, kMarkApplied);
    if (!refused.empty()) executeOnTarget(run, kReleaseHeldLines);
}

}  // namespace

void applyPriceChanges(RunContext& run) {
    StatementValues today;
    today.filterDate = base::formatDateTime(base::now(), base::kPriceDatePattern);
    executeOnTarget(run, expandStatement(kMarkDueLines, today));

    db::ClientDataSet& due = run.data.CDS_T1;
    due.close();
    due.setCommandText(kReadDueLines);
    due.open();
    if (due.recordCount() == 0) return;

    // A failure that ends the run leaves the loop before the closing mark, so that
    // the lines not applied yet stay due for the next run.
    std::set<DueLine> refused;
    if (run.bulk) {
        // A refused update undoes only itself; any other failure rolls its page back.
        forEachInPages(run, due, run.data.SQLCon_Target, [&] {
            if (auto line = applyLine(run, due)) refused.insert(*line);
        });
    } else {
        for (due.first(); !due.eof(); due.next()) {
            if (auto line = applyLine(run, due)) refused.insert(*line);
        }
    }
    markApplied(run, refused);
}

}  // namespace engine
