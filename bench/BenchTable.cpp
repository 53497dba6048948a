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

// Products: barcodes, texts, NUMERIC prices and costs, small integers, some nulls.
const char* const kFillProduct =
    "EXECUTE BLOCK AS DECLARE i INTEGER = 0; BEGIN "
    "WHILE (i < {rows}) DO BEGIN "
    "INSERT INTO PRODUCT (PROD_ID, PROD_BARCODE, PROD_NAME, PROD_SNAME, BRAND_NAME, PROD_SPEC, "
    "UNITNAME, TOP_ITEMID, PD_GRPID, PD_ITEMID, PROVIDER_ID, SALE_PRICE, PSALE_PRICE, VIP_PRICE, "
    "STD_COST, LAST_COST, TAX_KIND, PACK_QTY, SAFE_QTY, SAL_TAG, IN_TAG, INI_DATE, CHG_DATE, "
    "CHG_TIME, CHG_USER, NOTE) VALUES ("
    "'P' || LPAD(CAST(:i AS VARCHAR(12)), 8, '0'), "
    "'4710' || LPAD(CAST(:i AS VARCHAR(12)), 9, '0'), "
    "'Product number ' || CAST(:i AS VARCHAR(12)), 'Prod ' || CAST(:i AS VARCHAR(12)), "
    "'Brand ' || CAST(MOD(:i, 300) AS VARCHAR(12)), IIF(MOD(:i, 4) = 0, NULL, '500 ml'), 'EA', "
    "'T' || LPAD(CAST(MOD(:i, 50) AS VARCHAR(12)), 3, '0'), "
    "'G' || LPAD(CAST(MOD(:i, 500) AS VARCHAR(12)), 5, '0'), "
    "'I' || LPAD(CAST(MOD(:i, 5000) AS VARCHAR(12)), 7, '0'), "
    "'V' || LPAD(CAST(MOD(:i, 800) AS VARCHAR(12)), 5, '0'), "
    "CAST(MOD(:i, 100000) AS NUMERIC(12,2)) / 100 + 5, "
    "CAST(MOD(:i, 100000) AS NUMERIC(12,2)) / 100 + 6, "
    "IIF(MOD(:i, 5) = 0, NULL, CAST(MOD(:i, 100000) AS NUMERIC(12,2)) / 100 + 4), "
    "CAST(MOD(:i, 100000) AS NUMERIC(15,4)) / 137 + 1, CAST(MOD(:i, 100000) AS NUMERIC(15,4)) / "
    "131 + 1, "
    "IIF(MOD(:i, 9) = 0, '0', '1'), MOD(:i, 24) + 1, MOD(:i, 100), MOD(:i, 2), 1, "
    "'2023/12/01', '2024/03/' || LPAD(CAST(MOD(:i, 28) + 1 AS VARCHAR(2)), 2, '0'), '08:30:00', "
    "'HQ', IIF(MOD(:i, 3) = 0, NULL, 'Shelf ' || CAST(MOD(:i, 40) AS VARCHAR(12)))); "
    "i = i + 1; END END";

const BenchTable kItem{"item",
                       "PROD_ITEM",
                       2,
                       "PD_ITEMID",
                       100,
                       1001,
                       "SELECT FIRST 100 SKIP 0 * FROM PROD_ITEM ",
                       "SELECT FIRST 100 SKIP ",
                       " * FROM PROD_ITEM ",
                       "SELECT * FROM PROD_ITEM WHERE PD_ITEMID = '",
                       "pd_itemid data finished..!",
                       "HQ-EDIT"};

const BenchTable kSale{"sale",
                       "PROD_SALE",
                       10,
                       "SAL_BARCODE",
                       10,
                       100001,
                       "SELECT FIRST 10 SKIP 0 * FROM PROD_SALE ",
                       "SELECT FIRST 10 SKIP ",
                       " * FROM PROD_SALE",
                       "SELECT * FROM PROD_SALE WHERE SAL_BARCODE = '",
                       "PROD_SALE DATA Finished..!",
                       "HQ-EDIT"};

const BenchTable kProduct{"product",
                          "PRODUCT",
                          3,
                          "PROD_ID",
                          10,
                          100001,
                          "SELECT FIRST 10 SKIP 0 * FROM PRODUCT ",
                          "SELECT FIRST 10 SKIP ",
                          " * FROM PRODUCT",
                          "SELECT * FROM PRODUCT WHERE PROD_ID = '",
                          "product data finished..!",
                          "HQ-EDIT"};

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
    const char* fill = category == kItem.category      ? kFillItem
                       : category == kProduct.category ? kFillProduct
                                                       : kFillSale;
    return replaced(fill, "{rows}", std::to_string(rows));
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
    if (shortName == kProduct.shortName) return kProduct;
    throw std::invalid_argument("unknown table: " + shortName);
}

}  // namespace bench
