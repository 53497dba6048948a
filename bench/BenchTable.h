#pragma once

#include <string>

namespace bench {

// One table the benchmark downloads: how the run reaches it (its category), the
// statements a download sends for it, and how headquarters is filled and edited.
struct BenchTable {
    const char* shortName;  // "item", as on the command line
    const char* name;       // "PROD_ITEM"
    int category;           // its index in the check list
    const char* keyColumn;
    int pageSize;
    long long pageBound;    // pages read at most
    const char* firstPage;  // the page statements, as the run sends them
    const char* laterPagePrefix;
    const char* laterPageSuffix;
    const char* keyedSelectPrefix;
    const char* endMessage;  // logged when the scan meets the empty page
    const char* editedUser;  // the CHG_USER every row gets by editSql()

    std::string pageStatement(long long page) const;
    // One statement that inserts rows 0..rows-1 into headquarters.
    std::string fillSql(long long rows) const;
    // Changes one non-key column of every row.
    std::string editSql() const;
    // The rows a download copies: all of them up to the page bound.
    long long rowsCopied(long long rows) const;
};

// The table of a command-line name ("item", "sale", "product"); throws for another.
const BenchTable& benchTable(const std::string& shortName);

}  // namespace bench
