#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

// The twelve categories of the check list "接收檔案", in list order: the one table
// of what the window shows, what a run logs and does, which tables it fills and
// how, which queue it reads, and what monitoring calls them. A category's index is
// its position here. The download, the set-up check and the bill copy all read it.
namespace engine {

struct RunContext;

// How a category's rows reach the branch.
enum class CopyMode {
    ByPosition,  // every branch column from headquarters' column at the same position
    ByName,      // every branch column from headquarters' column of the same name
    BillInsert,  // a bill's master row and lines by the bill copy's own inserts
};

struct CategoryTable {
    const char* caption;     // shown in the check list and logged before "...Loading."
    const char* table;       // its main table; a bill category by its tables' prefix
    const char* keyColumn;   // names a record, in its table and in its wait queue
    const char* queueTable;  // headquarters' wait queue of its changes; nullptr: none
    CopyMode copy;

    bool isBill() const { return copy == CopyMode::BillInsert; }
    // The branch table a record's row lives in ("PSALE_MASTER" for a bill).
    std::string recordTable() const { return isBill() ? std::string(table) + "_MASTER" : table; }
    // A bill's lines ("PSALE_SUB").
    std::string linesTable() const { return std::string(table) + "_SUB"; }
};

inline constexpr std::size_t kCategoryCount = 12;

inline constexpr std::array<CategoryTable, kCategoryCount> kCategoryTables{{
    {"商品大類", "PROD_TOPITEM", "TOP_ITEMID", nullptr, CopyMode::ByPosition},
    {"商品中類", "PROD_HIITEM", "PD_GRPID", nullptr, CopyMode::ByPosition},
    {"商品小類", "PROD_ITEM", "PD_ITEMID", nullptr, CopyMode::ByPosition},
    {"商品資料", "PRODUCT", "PROD_ID", "PRODUCT_WAIT", CopyMode::ByName},
    {"廠商資料", "PROVIDER", "PROVIDER_ID", "PROVIDER_WAIT", CopyMode::ByName},
    {"販促單據", "PSALE", "MASTERBILLID", "PSALE_WAIT", CopyMode::BillInsert},
    {"批銷資料", "PTSALE", "MASTERBILLID", "PTSALE_WAIT", CopyMode::BillInsert},
    {"變價單據", "CHGPRICE", "MASTERBILLID", "CHGPRICE_WAIT", CopyMode::BillInsert},
    {"廠商詢價", "QUOT", "MASTERBILLID", "QUOT_WAIT", CopyMode::BillInsert},
    {"廠商優惠", "INPROMOTION", "MASTERBILLID", "INPROMOTION_WAIT", CopyMode::BillInsert},
    {"商品包裝", "PROD_SALE", "SAL_BARCODE", nullptr, CopyMode::ByPosition},
    {"客戶資料", "CUSTOMER", "CUST_ID", "CUSTOMER_WAIT", CopyMode::ByPosition},
}};

// The category whose main table is table (a bill category by its prefix). Known at
// compile time: a name that is not in the table does not compile.
consteval const CategoryTable& categoryTable(std::string_view table) {
    for (const CategoryTable& c : kCategoryTables) {
        if (std::string_view(c.table) == table) return c;
    }
    throw "no such category";
}

// A category: its table entry, and the branch of the run that downloads it.
struct Category : CategoryTable {
    void (*branch)(RunContext&);
};

// The categories in check-list order.
const std::array<Category, kCategoryCount>& categories();

// The statement that deletes the rows of a record from table, as a stored text for
// expandStatement() with {key} the record's key.
std::string deleteRowsStatement(const std::string& table, const char* keyColumn);

// How a statement spells the bill tables it names: as the table above has them, or
// in lower case (the copy of price-change bills and vendor discounts does).
enum class TableNames { AsListed, LowerCase };
// The deletion of a bill's lines, and of its master row.
std::string deleteLinesStatement(const CategoryTable& bill,
                                 TableNames names = TableNames::AsListed);
std::string deleteMasterStatement(const CategoryTable& bill,
                                  TableNames names = TableNames::AsListed);

}  // namespace engine
