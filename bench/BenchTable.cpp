#include "bench/BenchTable.h"

#include <algorithm>
#include <stdexcept>

namespace bench {
namespace {

// Product small categories: a few nulls, a scaled NUMERIC, texts of several lengths.
const char* const kFillItem =
    "EXECUTE BLOCK AS DECLARE i INTEGER = 0; BEGIN "
    "WHILE (i < {rows}) DO BEGIN "
    "INSERT INTO PROD_ITEM (PD_ITEMID, PD_ITEMNAME, PD_GRPID, TOP_ITEMID, PROFIT_RATE, "
    "CHG_DATE, CHG_USER) VALUES ("
    "'I' || LPAD(CAST(:i AS VARCHAR(12)), 7, '0'), "
    "'Small category ' || CAST(:i AS VARCHAR(12)), "
    "'G' || LPAD(CAST(MOD(:i, 500) AS VARCHAR(12)), 5, '0'), "
    "IIF(MOD(:i, 7) = 0, NULL, 'T' || LPAD(CAST(MOD(:i, 50) AS VARCHAR(12)), 3, '0')), "
    "CAST(MOD(:i, 10000) AS NUMERIC(9,4)) / 10000, "
    "'2024/01/' || LPAD(CAST(MOD(:i, 28) + 1 AS VARCHAR(2)), 2, '0'), 'HQ'); "
    "i = i + 1; END END";

// Product packaging: barcodes, integer and NUMERIC(12,2) prices, some null VIP prices.
const char* const kFillSale =
    "EXECUTE BLOCK AS DECLARE i INTEGER = 0; BEGIN "
    "WHILE (i < {rows}) DO BEGIN "
    "INSERT INTO PROD_SALE (SAL_BARCODE, PROD_ID, PACK_NAME, PACK_QTY, SAL_PRICE, VIP_PRICE, "
    "CHG_DATE, CHG_USER) VALUES ("
    "'4710' || LPAD(CAST(:i AS VARCHAR(12)), 9, '0'), "
    "'P' || LPAD(CAST(:i AS VARCHAR(12)), 8, '0'), "
    "IIF(MOD(:i, 3) = 0, 'BOX', 'EACH'), MOD(:i, 24) + 1, "
    "CAST(MOD(:i, 100000) AS NUMERIC(12,2)) / 100 + 5, "
    "IIF(MOD(:i, 5) = 0, NULL, CAST(MOD(:i, 100000) AS NUMERIC(12,2)) / 100 + 4), "
    "'2024/02/' || LPAD(CAST(MOD(:i, 28) + 1 AS VARCHAR(2)), 2, '0'), 'HQ'); "
    "i = i + 1; END END";

const BenchTable kItem{"item", "PROD_ITEM", 2, "PD_ITEMID", 100, 1001,
                       "SELECT FIRST 100 SKIP 0 * FROM PROD_ITEM ", "SELECT FIRST 100 SKIP ",
                       " * FROM PROD_ITEM ", "SELECT * FROM PROD_ITEM WHERE PD_ITEMID = '",
                       "pd_itemid data finished..!", "HQ-EDIT"};

const BenchTable kSale{"sale", "PROD_SALE", 10, "SAL_BARCODE", 10, 100001,
                       "SELECT FIRST 10 SKIP 0 * FROM PROD_SALE ", "SELECT FIRST 10 SKIP ",
                       " * FROM PROD_SALE", "SELECT * FROM PROD_SALE WHERE SAL_BARCODE = '",
                       "PROD_SALE DATA Finished..!", "HQ-EDIT"};

std::string replaced(std::string text, const std::string& name, const std::string& value) {
    const auto at = text.find(name);
    if (at != std::string::npos) text.replace(at, name.size(), value);
    return text;
}

}  // namespace

std::string BenchTable::pageStatement(long long page) const {
    if (page == 0) return firstPage;
    return laterPagePrefix + std::to_string(page * pageSize) + laterPageSuffix;
}

std::string BenchTable::fillSql(long long rows) const {
    return replaced(category == kItem.category ? kFillItem : kFillSale, "{rows}",
                    std::to_string(rows));
}

std::string BenchTable::editSql() const {
    return std::string("UPDATE ") + name + " SET CHG_USER = '" + editedUser + "'";
}

long long BenchTable::rowsCopied(long long rows) const {
    return std::min(rows, pageBound * pageSize);
}

const BenchTable& benchTable(const std::string& shortName) {
    if (shortName == kItem.shortName) return kItem;
    if (shortName == kSale.shortName) return kSale;
    throw std::invalid_argument("unknown table: " + shortName);
}

}  // namespace bench
