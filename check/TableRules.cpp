#include "check/TableRules.h"

#include "engine/ColumnRules.h"

namespace check {
namespace {

std::string joined(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) text += (text.empty() ? "" : ", ") + name;
    return text;
}

// "column X" or "columns X, Y".
std::string columnWords(const std::vector<std::string>& names) {
    return (names.size() == 1 ? "column " : "columns ") + joined(names);
}

const char* them(size_t count) {
    return count == 1 ? "it" : "them";
}
const char* are(size_t count) {
    return count == 1 ? " is" : " are";
}

class Problems {
  public:
    explicit Problems(const std::string& table) : table_(table) {}
    void add(Side side, std::string finding, std::string remedy) {
        list_.push_back({side, std::move(finding), std::move(remedy)});
    }
    const std::string& table() const { return table_; }
    std::vector<TableProblem> take() { return std::move(list_); }

  private:
    std::string table_;
    std::vector<TableProblem> list_;
};

std::vector<std::string> namesOf(const TableColumns& columns) {
    std::vector<std::string> names;
    for (const ColumnMeta& column : columns) names.push_back(column.name);
    return names;
}

void checkSameOrder(Problems& p, const DownloadTable& table, const TableColumns& branch,
                    const TableColumns& hq) {
    const bool exact = table.rule == BranchRule::SameColumns;
    // The download's own rule decides; the check adds what to do about it.
    if (const auto mismatch = engine::positionMismatch(namesOf(branch), namesOf(hq))) {
        std::string remedy =
            !mismatch->pastHeadquartersLast ? "recreate the branch's " + p.table() +
                                                  " with headquarters' columns in the same order"
            : exact ? "give the branch's " + p.table() + " exactly headquarters' columns"
                    : "drop the branch's columns after " + hq.back().name +
                          ", or add them at the end of headquarters' " + p.table();
        p.add(Side::Branch, mismatch->finding, std::move(remedy));
        return;
    }
    if (exact && branch.size() < hq.size()) {
        p.add(
            Side::Branch,
            "has " + std::to_string(branch.size()) + " columns, headquarters " +
                std::to_string(hq.size()) + ": " + hq[branch.size()].name +
                " and after are missing",
            "give the branch's " + p.table() + " exactly headquarters' columns in the same order");
    }
}

void checkKnownColumns(Problems& p, const DownloadTable& table, const TableColumns& branch,
                       const TableColumns& hq) {
    std::vector<std::string> branchNames;
    for (const ColumnMeta& column : branch) {
        // A TRAN_CODE of a joined table has a rule and a line of its own.
        if (table.joinedWithQueue && column.name == kClaimColumn) continue;
        branchNames.push_back(column.name);
    }
    const std::vector<std::string> unknown = engine::missingByName(branchNames, namesOf(hq));
    if (unknown.empty()) return;
    const size_t n = unknown.size();
    p.add(Side::Branch, columnWords(unknown) + are(n) + " not at headquarters",
          std::string("drop ") + them(n) + " from the branch's " + p.table() + " or add " +
              them(n) + " to headquarters' " + p.table());
}

void checkBillColumns(Problems& p, const TableColumns& branch, const TableColumns& hq) {
    std::vector<std::string> missing, missingWithTypes, unfilled;
    for (const ColumnMeta& column : hq) {
        if (columnIndex(branch, column.name) >= 0) continue;
        missing.push_back(column.name);
        missingWithTypes.push_back(column.name + " " + column.typeName);
    }
    for (const ColumnMeta& column : branch) {
        if (columnIndex(hq, column.name) < 0 && !column.nullable && !column.filledByDatabase) {
            unfilled.push_back(column.name);
        }
    }
    if (!missing.empty()) {
        p.add(Side::Branch, "no " + columnWords(missing) + ", which the bill copy inserts",
              "add to the branch's " + p.table() + " " + joined(missingWithTypes));
    }
    for (const ColumnMeta& column : hq) {
        if (!column.temporal || !column.nullable) continue;
        p.add(Side::Headquarters,
              column.name + " is a " + column.typeName +
                  " that may be null, and the bill copy writes it as text: a null gives an empty "
                  "text, which does not convert",
              "make it NOT NULL with a default, as schema/tables.sql has it");
    }
    if (!unfilled.empty()) {
        const size_t n = unfilled.size();
        p.add(Side::Branch,
              columnWords(unfilled) + are(n) +
                  " NOT NULL without a default, and the bill copy does not fill " + them(n),
              std::string("give ") + them(n) + " a default or let " + them(n) + " take nulls");
    }
}

// The rules on column names and types that hold on both sides.
void checkColumnsOfOneSide(Problems& p, const DownloadTable& table, Side side,
                           const TableColumns& columns) {
    if (table.joinedWithQueue && columnIndex(columns, kClaimColumn) >= 0) {
        p.add(
            side, std::string("has a column ") + kClaimColumn,
            "rename or drop it: the joins with the wait queue name the queue's TRAN_CODE without a "
            "table prefix");
    }
    for (const TextDateColumn& date : textDateColumns()) {
        const int at = columnIndex(columns, date.name);
        if (at < 0) continue;
        const ColumnMeta& column = columns[at];
        const size_t length = date.pattern.size();
        if (column.text && column.characters >= static_cast<int>(length)) continue;
        p.add(side,
              column.name + " is " + column.typeName + ", the download handles it as text '" +
                  std::string(date.pattern) + "'",
              "make it VARCHAR(" + std::to_string(length) + ")");
    }
}

void checkExactNumbers(Problems& p, const TableColumns& branch, const TableColumns& hq) {
    for (const ColumnMeta& column : branch) {
        if (!column.floating) continue;
        const int at = columnIndex(hq, column.name);
        p.add(Side::Branch,
              column.name + " is " + column.typeName +
                  ", but a mirrored row is found again by its old values",
              "make it an exact NUMERIC" + (at >= 0 && !hq[at].floating
                                                ? " like headquarters' " + hq[at].typeName
                                                : std::string()));
    }
}

}  // namespace

const char* sideName(Side side) {
    return side == Side::Branch ? "branch" : "headquarters";
}

std::vector<TableProblem> tableProblems(const DownloadTable& table, const TableColumns& branch,
                                        const TableColumns& headquarters) {
    Problems p(table.name);
    if (headquarters.empty()) {
        p.add(Side::Headquarters, "no such table", "create it at headquarters (schema/tables.sql)");
    }
    if (branch.empty()) {
        p.add(Side::Branch, "no such table",
              "create it in the branch with headquarters' columns (schema/tables.sql)");
    }
    if (headquarters.empty() || branch.empty()) return p.take();

    switch (table.rule) {
        case BranchRule::LeadingColumns:
        case BranchRule::SameColumns:
            checkSameOrder(p, table, branch, headquarters);
            break;
        case BranchRule::KnownColumns:
            checkKnownColumns(p, table, branch, headquarters);
            break;
        case BranchRule::BillColumns:
            checkBillColumns(p, branch, headquarters);
            break;
    }
    checkColumnsOfOneSide(p, table, Side::Branch, branch);
    checkColumnsOfOneSide(p, table, Side::Headquarters, headquarters);
    if (table.mirrored) checkExactNumbers(p, branch, headquarters);
    return p.take();
}

std::vector<TableProblem> queueProblems(const WaitQueue& queue, const TableColumns& columns,
                                        const std::vector<std::string>& storeIndices) {
    Problems p(queue.name);
    if (columns.empty()) {
        p.add(Side::Headquarters, "no such table", "create it at headquarters (schema/queues.sql)");
        return p.take();
    }
    std::vector<std::string> missing;
    if (columnIndex(columns, queue.keyColumn) < 0) missing.push_back(queue.keyColumn);
    for (const char* name : queueColumns()) {
        if (columnIndex(columns, name) < 0) missing.push_back(name);
    }
    if (!missing.empty()) {
        p.add(Side::Headquarters, "no " + columnWords(missing),
              std::string("add ") + them(missing.size()) + " as schema/queues.sql defines " +
                  them(missing.size()));
    }
    if (columnIndex(columns, kStoreColumn) >= 0 && storeIndices.empty()) {
        p.add(Side::Headquarters, std::string("no active index starts with ") + kStoreColumn,
              "CREATE INDEX IX_" + std::string(queue.name) + "_STORE ON " + queue.name + " (" +
                  kStoreColumn + ", " + kClaimColumn + ")");
    }
    return p.take();
}

}  // namespace check
