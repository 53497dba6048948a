#include "engine/BillCopy.h"

#include <exception>
#include <optional>
#include <span>
#include <string>

#include "base/NumberText.h"
#include "base/ScopeExit.h"
#include "db/Error.h"
#include "db/IniFile.h"
#include "db/Savepoint.h"
#include "db/Transaction.h"
#include "engine/BulkDeletions.h"
#include "engine/StatementText.h"
#include "engine/WaitQueues.h"

namespace engine {
namespace {

// A column bound otherwise than as text.
struct ColumnConversion {
    const char* column;
    Conversion conversion;
    int16_t constant = 0;  // Constant only
};

// One statement built line by line: its lines, joined by line breaks, and the
// conversions of its parameters (every parameter not listed is bound as text).
struct BillStatement {
    std::span<const char* const> lines;
    std::span<const ColumnConversion> conversions = {};
};

// Everything in which the kinds of bills differ.
struct BillKind {
    const char* name;            // the kind's short name in the log
    const CategoryTable& bills;  // its tables, and the key naming a bill
    TableNames names;            // how its statements spell the tables
    BillStatement master;        // from the master row (CDS_ReadM)
    BillStatement line;          // from each line row (CDS_ReadS)
    bool lineFailureFailsBill;   // false: a refused line is left out, the bill goes on
};

// ---- promotion bills ------------------------------------------------------

constexpr const char* kPsaleMasterLines[] = {
    "INSERT INTO PSALE_MASTER(MASTERBILLID,BILL_DATE,",
    "INI_DATE,END_DATE,REASON,REGISTER,STORE_ID,CHG_DATE,CHG_USER,OVER_AMT,PINI_DATE,PEND_DATE) "
    "VALUES ",
    "(:MASTERBILLID,:BILL_DATE,",
    ":INI_DATE,:END_DATE,:REASON,:REGISTER,:STORE_ID,:CHG_DATE,:CHG_USER,:OVER_AMT,:PINI_DATE,:"
    "PEND_DATE)",
};
constexpr ColumnConversion kPsaleMasterConversions[] = {
    {"OVER_AMT", Conversion::DecimalFromText},
};
constexpr const char* kPsaleLineLines[] = {
    "INSERT INTO PSALE_SUB(MASTERBILLID,PROD_ID,PROD_NAME,PROD_BARCODE,",
    "PD_ITEMID,PSALE_FLAG,PSALE_PRICE,OLD_PRICE,N_QTY,G_PROD_ID,",
    "G_PROD_NAME,G_QTY,TEMPPRODID,STORE_ID,CHG_DATE,CHG_USER,VIP_PRICE,ini_date,end_date,new_cost,"
    "SEC_DIS,Keyintime,PINI_DATE,PEND_DATE,VNEW_COST,pack_qty) VALUES ",
    "(:MASTERBILLID,:PROD_ID,:PROD_NAME,:PROD_BARCODE,",
    ":PD_ITEMID,:PSALE_FLAG,:PSALE_PRICE,:OLD_PRICE,:N_QTY,:G_PROD_ID,",
    ":G_PROD_NAME,:G_QTY,:TEMPPRODID,:STORE_ID,:CHG_DATE,:CHG_USER,:VIP_PRICE,:ini_date,:end_date,:"
    "new_cost,:SEC_DIS,:Keyintime,:PINI_DATE,:PEND_DATE,:VNEW_COST,:pack_qty)",
};
constexpr ColumnConversion kPsaleLineConversions[] = {
    {"PSALE_PRICE", Conversion::SourceValue},   {"OLD_PRICE", Conversion::SourceValue},
    {"N_QTY", Conversion::SourceValue},         {"G_QTY", Conversion::SourceValue},
    {"VIP_PRICE", Conversion::SourceValue},     {"new_cost", Conversion::DecimalFromText},
    {"VNEW_COST", Conversion::DecimalFromText}, {"pack_qty", Conversion::DecimalFromText},
};

// ---- wholesale bills ------------------------------------------------------

constexpr const char* kPtsaleMasterLines[] = {
    "INSERT INTO PTSALE_MASTER(BILL_DATE,MASTERBILLID,INI_DATE,END_DATE,",
    "PTSALE_CLASS,PTSALE_QTY,PTSALE_PRICE,PTSALE_DIS,CHG_DATE,CHG_USER) ",
    "VALUES(:BILL_DATE,:MASTERBILLID,:INI_DATE,:END_DATE,",
    ":PTSALE_CLASS,:PTSALE_QTY,:PTSALE_PRICE,:PTSALE_DIS,:CHG_DATE,:CHG_USER)",
};
constexpr ColumnConversion kPtsaleMasterConversions[] = {
    {"PTSALE_QTY", Conversion::IntegerOfField},
    {"PTSALE_PRICE", Conversion::DecimalOfField},
    {"PTSALE_DIS", Conversion::DecimalOfField},
};
constexpr const char* kPtsaleLineLines[] = {
    "INSERT INTO PTSALE_SUB(MASTERBILLID,PROD_ID,PROD_BARCODE,",
    "PROD_NAME,PROVIDER_ID,INI_DATE,END_DATE,NEW_COST,OLD_COST,",
    "NEW_DIS,TEMPPRODID,CHG_DATE,CHG_USER) VALUES ",
    "(:MASTERBILLID,:PROD_ID,:PROD_BARCODE,",
    ":PROD_NAME,:PROVIDER_ID,:INI_DATE,:END_DATE,:NEW_COST,:OLD_COST,",
    ":NEW_DIS,:TEMPPRODID,:CHG_DATE,:CHG_USER)",
};
constexpr ColumnConversion kPtsaleLineConversions[] = {
    {"NEW_COST", Conversion::Constant, 0},
    {"OLD_COST", Conversion::Constant, 0},
    {"NEW_DIS", Conversion::Constant, 1},
};

// ---- price-change bills ---------------------------------------------------

constexpr const char* kChgpriceMasterLines[] = {
    "INSERT INTO chgprice_master(masterbillid,bill_date,imm_chg,",
    "chgprice_date,store_id,chg_date,chg_user,trn_code) ",
    "VALUES(:masterbillid,:bill_date,:imm_chg,",
    ":chgprice_date,:store_id,:chg_date,:chg_user,:trn_code)",
};
constexpr const char* kChgpriceLineLines[] = {
    "INSERT INTO chgprice_sub(masterbillid,bill_date,",
    "imm_chg,chgprice_date,store_id,prod_id,prod_name,",
    "prod_barcode,o_pd_itemid,o_sale_price,o_psale_price,",
    "o_vip_price,o_std_cost,n_pd_itemid,n_sale_price,n_psale_price,",
    "n_vip_price,n_std_cost,sal_tag,in_tag,chg_date,chg_user,",
    "trn_code) VALUES ",
    "(:masterbillid,:bill_date,",
    ":imm_chg,:chgprice_date,:store_id,:prod_id,:prod_name,",
    ":prod_barcode,:o_pd_itemid,:o_sale_price,:o_psale_price,",
    ":o_vip_price,:o_std_cost,:n_pd_itemid,:n_sale_price,:n_psale_price,",
    ":n_vip_price,:n_std_cost,:sal_tag,:in_tag,:chg_date,:chg_user,",
    ":trn_code)",
};
constexpr ColumnConversion kChgpriceLineConversions[] = {
    {"o_sale_price", Conversion::DecimalFromText}, {"o_psale_price", Conversion::DecimalFromText},
    {"o_vip_price", Conversion::DecimalFromText},  {"o_std_cost", Conversion::DecimalFromText},
    {"n_sale_price", Conversion::DecimalFromText}, {"n_psale_price", Conversion::DecimalFromText},
    {"n_vip_price", Conversion::DecimalFromText},  {"n_std_cost", Conversion::DecimalFromText},
    {"sal_tag", Conversion::IntegerFromText},      {"in_tag", Conversion::IntegerFromText},
};

// ---- vendor quotations ----------------------------------------------------

constexpr const char* kQuotMasterLines[] = {
    "INSERT INTO QUOT_MASTER(masterbillid,bill_date,flag,provider_id,provider_name, ",
    "employee_id,employee_name,store_id,note,chg_date,chg_user,ini_date) ",
    "VALUES(:masterbillid,:bill_date,:flag,:provider_id,:provider_name, ",
    ":employee_id,:employee_name,:store_id,:note,:chg_date,:chg_user,:ini_date)",
};
constexpr const char* kQuotLineLines[] = {
    "INSERT INTO QUOT_SUB(masterbillid,quot_class,prod_id,",
    "prod_barcode,prod_name,u_qty,std_cost,unitname,sal_barcode,",
    "pack_qty,in_price,sal_price,tax_kind,remark,bill_date,flag,",
    "ini_date,end_date,provider_id,store_id,tempprodid,provider_name) VALUES ",
    "(:masterbillid,:quot_class,:prod_id,",
    ":prod_barcode,:prod_name,:u_qty,:std_cost,:unitname,:sal_barcode,",
    ":pack_qty,:in_price,:sal_price,:tax_kind,:remark,:bill_date,:flag,",
    ":ini_date,:end_date,:provider_id,:store_id,:tempprodid,:provider_name)",
};
constexpr ColumnConversion kQuotLineConversions[] = {
    {"u_qty", Conversion::IntegerOfField},      {"pack_qty", Conversion::IntegerFromText},
    {"std_cost", Conversion::DecimalFromText},  {"in_price", Conversion::DecimalFromText},
    {"sal_price", Conversion::DecimalFromText},
};

// ---- vendor discounts -----------------------------------------------------

constexpr const char* kInpromotionMasterLines[] = {
    "INSERT INTO inpromotion_master(masterbillid,bill_date,ini_date,end_date,",
    "provider_id,provider_name,chg_date,chg_user) ",
    "VALUES(:masterbillid,:bill_date,:ini_date,:end_date,",
    ":provider_id,:provider_name,:chg_date,:chg_user)",
};
constexpr const char* kInpromotionLineLines[] = {
    "INSERT INTO inpromotion_sub(masterbillid,bill_date,",
    "tempprodid,prod_id,prod_barcode,prod_name,pd_itemid,",
    "psale_flag,old_cost,sp_cost,n_qty,g_prod_id,g_prod_name,",
    "g_qty,chg_user,psale_price,provider_id,ini_date,end_date) VALUES ",
    "(:masterbillid,:bill_date,",
    ":tempprodid,:prod_id,:prod_barcode,:prod_name,:pd_itemid,",
    ":psale_flag,:old_cost,:sp_cost,:n_qty,:g_prod_id,:g_prod_name,",
    ":g_qty,:chg_user,:psale_price,:provider_id,:ini_date,:end_date)",
};
constexpr ColumnConversion kInpromotionLineConversions[] = {
    {"old_cost", Conversion::DecimalFromText},    {"sp_cost", Conversion::DecimalFromText},
    {"n_qty", Conversion::DecimalFromText},       {"g_qty", Conversion::DecimalFromText},
    {"psale_price", Conversion::DecimalFromText},
};

const BillKind kPsale{
    .name = "psale",
    .bills = categoryTable("PSALE"),
    .names = TableNames::AsListed,
    .master = {.lines = kPsaleMasterLines, .conversions = kPsaleMasterConversions},
    .line = {.lines = kPsaleLineLines, .conversions = kPsaleLineConversions},
    .lineFailureFailsBill = false};

const BillKind kPtsale{
    .name = "ptsale",
    .bills = categoryTable("PTSALE"),
    .names = TableNames::AsListed,
    .master = {.lines = kPtsaleMasterLines, .conversions = kPtsaleMasterConversions},
    .line = {.lines = kPtsaleLineLines, .conversions = kPtsaleLineConversions},
    .lineFailureFailsBill = false};

const BillKind kChgprice{
    .name = "chgprice",
    .bills = categoryTable("CHGPRICE"),
    .names = TableNames::LowerCase,
    .master = {.lines = kChgpriceMasterLines},
    .line = {.lines = kChgpriceLineLines, .conversions = kChgpriceLineConversions},
    .lineFailureFailsBill = false};

const BillKind kQuot{.name = "quot",
                     .bills = categoryTable("QUOT"),
                     .names = TableNames::AsListed,
                     .master = {.lines = kQuotMasterLines},
                     .line = {.lines = kQuotLineLines, .conversions = kQuotLineConversions},
                     .lineFailureFailsBill = false};

const BillKind kInpromotion{
    .name = "inpromotion",
    .bills = categoryTable("INPROMOTION"),
    .names = TableNames::LowerCase,
    .master = {.lines = kInpromotionMasterLines},
    .line = {.lines = kInpromotionLineLines, .conversions = kInpromotionLineConversions},
    .lineFailureFailsBill = true};

// The copy transaction: identifier 1, read committed.
const db::TransactionDesc kCopyTransaction{};

const ColumnConversion* findConversion(std::span<const ColumnConversion> conversions,
                                       const std::string& column) {
    for (const ColumnConversion& c : conversions) {
        if (db::sameName(c.column, column)) return &c;
    }
    return nullptr;
}

// Every parameter of query from the same-named field of row's current row.
void bindParameters(db::SQLQuery& query, db::ClientDataSet& row,
                    std::span<const ColumnConversion> conversions) {
    for (size_t i = 0; i < query.params().size(); ++i) {
        const std::string name = query.params()[i].name();
        const ColumnConversion* c = findConversion(conversions, name);
        const Conversion conversion = c ? c->conversion : Conversion::Text;
        const db::Value value = conversion == Conversion::Constant
                                    ? db::Value::smallInt(c->constant)
                                    : convertedValue(row.fieldByName(name), conversion);
        query.paramByName(name).setValue(value);
    }
}

// Whether query's text is statement's lines already.
bool holdsText(const db::SQLQuery& query, const BillStatement& statement) {
    std::string text;
    for (const char* line : statement.lines) {
        if (!text.empty()) text += '\n';
        text += line;
    }
    return query.sqlText() == text;
}

// How the copy's statements are prepared: afresh for every execution, or once per
// run (the bulk path).
enum class Preparation { EveryTime, Once };

// Builds the statement afresh (so its parameters take their types from this
// row's values), binds it from row and executes it.
void executeFromRow(db::SQLQuery& query, const BillStatement& statement, db::ClientDataSet& row,
                    Preparation preparation) {
    query.close();
    // Giving the same text again would keep every parameter as it is, and only parse
    // the text once per line given; the bulk path skips that.
    if (preparation == Preparation::EveryTime || !holdsText(query, statement)) {
        query.clearSql();
        for (const char* line : statement.lines) query.addSql(line);
    }
    bindParameters(query, row, statement.conversions);
    if (preparation == Preparation::Once)
        query.execPrepared();
    else
        query.execSQL();
}

std::string billLabel(const BillKind& kind, const std::string& billId) {
    return std::string(kind.name) + " bill '" + billId + "'";
}

// What a bill's copy wrote, counted once the bill is kept: its transaction
// committed, or on the bulk path its savepoint released.
struct BillRows {
    uint64_t written = 0;
    uint64_t leftOut = 0;
};

// Inserts the bill's lines; a line without PROD_ID is left out.
void insertLines(RunContext& run, const BillKind& kind, const std::string& billId, BillRows& rows,
                 Preparation preparation) {
    db::ClientDataSet& lines = run.data.CDS_ReadS;
    lines.first();
    lines.disableControls();  // the walk's protocol; no control is bound to a dataset
    for (; !lines.eof(); lines.next()) {
        const std::string prodId = lines.fieldByName("PROD_ID").asString();
        if (prodId.empty()) continue;
        try {
            executeFromRow(run.data.SQL_Sub, kind.line, lines, preparation);
            ++rows.written;
        } catch (const std::exception& e) {
            if (kind.lineFailureFailsBill || db::isLinkFailure(e)) throw;
            run.log(billLabel(kind, billId) + " line '" + prodId + "' left out: " + e.what());
            ++rows.leftOut;
        }
    }
    lines.enableControls();
}

// Deletes the branch's old rows of the bill: its lines, then its master row.
void deleteOldBill(RunContext& run, const BillKind& kind, const std::string& billId,
                   Preparation preparation) {
    db::SQLQuery& master = run.data.SQL_Master;
    if (preparation == Preparation::Once) {
        // The bill number as the statements' parameter, so that they are prepared once.
        deleteByKey(run.data.SQLConnection2,
                    {{keyAsParameter(deleteLinesStatement(kind.bills, kind.names)),
                      keyAsParameter(deleteMasterStatement(kind.bills, kind.names))}},
                    billId);
        return;
    }
    StatementValues bill;
    bill.key = billId;
    executeText(master, expandStatement(deleteLinesStatement(kind.bills, kind.names), bill));
    executeText(master, expandStatement(deleteMasterStatement(kind.bills, kind.names), bill));
}

// The bill's old rows out and its new rows in, all in the copy transaction.
BillRows replaceBill(RunContext& run, const BillKind& kind, const std::string& billId,
                     Preparation preparation) {
    deleteOldBill(run, kind, billId, preparation);
    executeFromRow(run.data.SQL_Master, kind.master, run.data.CDS_ReadM, preparation);
    BillRows rows{1, 0};
    insertLines(run, kind, billId, rows, preparation);
    return rows;
}

// The bill number of the master row; a row without one is logged as not copied
// before its error ends the run.
std::string billNumberOf(RunContext& run, const BillKind& kind) {
    try {
        return run.data.CDS_ReadM.fieldByName("MASTERBILLID").asString();
    } catch (const std::exception& e) {
        run.log(billLabel(kind, "") + " not copied: " + e.what());
        throw;
    }
}

void countCopied(RunContext& run, const BillRows& rows) {
    run.counts().rowsWritten += rows.written;
    run.counts().rowsRefused += rows.leftOut;
}

// The bulk path: the bill within the page's open transaction, under a savepoint of
// its own, so that a bill that fails is undone alone and the page goes on.
BillCopy copyBillWithinPage(RunContext& run, const BillKind& kind, const std::string& billId) {
    db::Savepoint bill(run.data.SQLConnection2, "OLV_BILL");
    try {
        const BillRows rows = replaceBill(run, kind, billId, Preparation::Once);
        bill.release();
        countCopied(run, rows);
        return BillCopy::Copied;
    } catch (const std::exception& e) {
        run.log(billLabel(kind, billId) + " not copied" + kStaysQueued + ": " + e.what());
        // A failed link takes the page with it and ends the run with its own error.
        if (db::isLinkFailure(e)) throw;
        bill.rollback();
        ++run.counts().billsNotCopied;
        return BillCopy::NotCopied;
    }
}

// The default path: the bill in a transaction of its own.
BillCopy copyBillAlone(RunContext& run, const BillKind& kind, const std::string& billId) {
    db::SQLConnection& connection = run.data.SQLConnection2;
    // Rolled back on the way out unless committed, whatever leaves the copy early.
    std::optional<db::Transaction> copy;
    try {
        // Only a rollback that failed in an earlier copy leaves a transaction behind;
        // what it holds was never meant to be committed.
        if (connection.inTransaction()) connection.rollback(kCopyTransaction);
        copy.emplace(connection, kCopyTransaction);
        const BillRows rows = replaceBill(run, kind, billId, Preparation::EveryTime);
        copy->commit();
        countCopied(run, rows);
        return BillCopy::Copied;
    } catch (const std::exception& e) {
        run.log(billLabel(kind, billId) + " not copied" + kStaysQueued + ": " + e.what());
        // Without a transaction to undo, the failure is not the bill's own and
        // ends the run; a failing rollback ends it with the rollback's error. A
        // failed link leaves no transaction behind: it ends the run with its own.
        if (!copy || !connection.inTransaction() || db::isLinkFailure(e)) throw;
        copy->rollback();
        ++run.counts().billsNotCopied;
        return BillCopy::NotCopied;
    }
}

BillCopy copyBill(RunContext& run, const BillKind& kind) {
    db::ClientDataSet& lines = run.data.CDS_ReadS;
    if (lines.active() && lines.recordCount() == 0) return BillCopy::Copied;  // nothing to copy
    const std::string billId = billNumberOf(run, kind);
    if (!lines.active()) {
        // The error that kept the lines from being read goes on to end the run.
        run.log(billLabel(kind, billId) + " not copied: its lines could not be read");
        return BillCopy::NotCopied;
    }

    run.report.setBusyCursor(true);
    const base::ScopeExit notBusy([&run] { run.report.setBusyCursor(false); });
    return run.bulk ? copyBillWithinPage(run, kind, billId) : copyBillAlone(run, kind, billId);
}

}  // namespace

db::Value convertedValue(const db::Field& field, Conversion conversion) {
    switch (conversion) {
        case Conversion::SourceValue:
            return field.value();
        case Conversion::DecimalFromText:
            return db::Value::real(base::toDoubleOr(field.asString(), 0));
        case Conversion::IntegerFromText:
            return db::Value::integer(base::toInt32Or(field.asString(), 0));
        case Conversion::IntegerOfField:
            return db::Value::integer(static_cast<int32_t>(field.asInteger()));
        case Conversion::DecimalOfField:
            return db::Value::real(field.asFloat());
        case Conversion::Text:
        case Conversion::Constant:
            break;
    }
    return db::Value::text(field.asString());
}

BillCopy CopyPsaleBill(RunContext& run) {
    return copyBill(run, kPsale);
}
BillCopy CopyPtsaleBill(RunContext& run) {
    return copyBill(run, kPtsale);
}
BillCopy CopyChgpriceBill(RunContext& run) {
    return copyBill(run, kChgprice);
}
BillCopy CopyQuotBill(RunContext& run) {
    return copyBill(run, kQuot);
}
BillCopy CopyInpromotionBill(RunContext& run) {
    return copyBill(run, kInpromotion);
}

}  // namespace engine
