#pragma once

#include <span>
#include <string_view>

namespace check {

// How the download fills a branch table, and so what the branch's table must keep
// of headquarters' table of the same name.
enum class BranchRule {
    LeadingColumns,  // copied by position: headquarters' columns in the same order; headquarters
                     // may have further columns after the branch's last
    SameColumns,     // copied by position and joined with its queue: exactly headquarters' columns
    KnownColumns,    // copied by name: every branch column exists at headquarters
    BillColumns,     // written by the bill copy's inserts, which bind every column from
                     // headquarters' column of the same name: every column headquarters' table
                     // has; any other branch column nullable or with a default
};

// A table both databases hold for the download, as the download's categories
// (engine/Categories.h) copy it.
struct DownloadTable {
    const char* name;
    BranchRule rule;
    bool joinedWithQueue;  // read joined with its wait queue: no TRAN_CODE column of its own
    bool mirrored;         // rows are found again by their old values: exact numbers only
};

// A wait queue at headquarters and the column that names its record.
struct WaitQueue {
    const char* name;
    const char* keyColumn;
};

// A date or time the download compares or writes as text, in its pattern.
struct TextDateColumn {
    const char* name;
    std::string_view pattern;
};

std::span<const DownloadTable> downloadTables();
std::span<const WaitQueue> waitQueues();
std::span<const TextDateColumn> textDateColumns();

// The queue columns the download's statements name besides the key column.
std::span<const char* const> queueColumns();
// The column holding when a queue row was queued (read by the check only).
inline constexpr const char* kQueuedAtColumn = "QUEUED_AT";
// The queue column the download selects by; an index should start with it.
inline constexpr const char* kStoreColumn = "STORE_ID";
// The column name the queue joins leave without a table prefix.
inline constexpr const char* kClaimColumn = "TRAN_CODE";

}  // namespace check
