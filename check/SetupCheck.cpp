#include "check/SetupCheck.h"

#include <exception>
#include <functional>
#include <optional>
#include <set>

#include "check/Catalog.h"
#include "check/DownloadTables.h"
#include "check/RegistryCheck.h"
#include "check/StoreConfigCheck.h"
#include "check/TableRules.h"
#include "db/IniFile.h"
#include "engine/FormData.h"

namespace check {
namespace {

using engine::kBranchConnection;
using engine::kHeadquartersConnection;

std::string parameter(const db::SQLConnection& connection, const char* key) {
    for (const auto& [k, v] : connection.params()) {
        if (db::sameName(k, key)) return v;
    }
    return {};
}

// Opens one of the program's connections; one line unless the files already failed it.
bool openConnection(db::SQLConnection& connection, Side side, bool ready,
                    const std::string& connectionsFile, CheckReport& report) {
    const std::string subject = std::string(sideName(side)) + " " + connection.connectionName();
    if (!ready) {
        report.skip(subject, "not opened: its files or driver failed above");
        return false;
    }
    try {
        connection.ensureOpen();
    } catch (const std::exception& e) {
        report.fail(subject, std::string("does not open: ") + e.what(),
                    "check Database, User_Name and Password of [" + connection.connectionName() +
                        "] in " + connectionsFile +
                        ": the database must exist and, on a server, be reachable");
        return false;
    }
    report.ok(subject, "opened " + parameter(connection, "Database"));
    return true;
}

void reportProblems(const std::string& table, const std::vector<TableProblem>& problems,
                    CheckReport& report) {
    for (const TableProblem& p : problems) {
        report.fail(std::string(sideName(p.side)) + " " + table, p.finding, p.remedy);
    }
}

// Runs one table's reads; a database error becomes the table's failure line.
bool readGuarded(const std::string& subject, CheckReport& report,
                 const std::function<void()>& read) {
    try {
        read();
        return true;
    } catch (const std::exception& e) {
        report.fail(subject, std::string("cannot be read: ") + e.what(),
                    "check that the connection's user may read the system tables");
        return false;
    }
}

std::string okFinding(const DownloadTable& table, size_t branchCount, size_t hqCount) {
    const std::string n = std::to_string(branchCount);
    switch (table.rule) {
        case BranchRule::LeadingColumns:
            return "the branch has headquarters' " +
                   std::string(branchCount < hqCount ? "first " : "") + n +
                   " columns in the same order";
        case BranchRule::SameColumns:
            return "the branch has exactly headquarters' " + n + " columns in the same order";
        case BranchRule::KnownColumns:
            return "all " + n + " of the branch's columns are at headquarters";
        case BranchRule::BillColumns:
            return "the branch has all " + std::to_string(hqCount) + " of headquarters' columns";
    }
    return {};
}

void checkTable(const DownloadTable& table, Catalog& branch, Catalog& hq, CheckReport& report) {
    std::vector<TableProblem> problems;
    size_t branchCount = 0, hqCount = 0;
    const bool read = readGuarded(std::string("table ") + table.name, report, [&] {
        const TableColumns& branchColumns = branch.columns(table.name);
        const TableColumns& hqColumns = hq.columns(table.name);
        branchCount = branchColumns.size();
        hqCount = hqColumns.size();
        problems = tableProblems(table, branchColumns, hqColumns);
        if (branchColumns.empty()) return;
        for (const std::string& key : branch.foreignKeys(table.name)) {
            problems.push_back({Side::Branch, "has the foreign key " + key,
                                "ALTER TABLE " + std::string(table.name) + " DROP CONSTRAINT " +
                                    key +
                                    ": a branch keeps rows whose parent rows it may not hold"});
        }
    });
    if (!read) return;
    if (problems.empty()) {
        report.ok(std::string("table ") + table.name, okFinding(table, branchCount, hqCount));
    }
    reportProblems(table.name, problems, report);
}

// What the rest of the check may do with a queue.
struct QueueShape {
    bool countable = false;     // its STORE_ID could be read
    bool withQueuedAt = false;  // it has a QUEUED_AT column
};

QueueShape checkQueue(const WaitQueue& queue, Catalog& hq, CheckReport& report) {
    QueueShape shape;
    const bool read = readGuarded(std::string("queue ") + queue.name, report, [&] {
        const TableColumns& columns = hq.columns(queue.name);
        const bool hasStore = columnIndex(columns, kStoreColumn) >= 0;
        const auto indices =
            hasStore ? hq.indicesLeadingWith(queue.name, kStoreColumn) : std::vector<std::string>{};
        const auto problems = queueProblems(queue, columns, indices);
        if (problems.empty()) {
            report.ok(std::string("queue ") + queue.name,
                      "the download's columns are there; index " + indices.front() +
                          " starts with " + kStoreColumn);
        }
        reportProblems(queue.name, problems, report);
        shape = {hasStore, columnIndex(columns, kQueuedAtColumn) >= 0};
    });
    return read ? shape : QueueShape{};
}

// The rows waiting for the store, nullopt when they could not be counted.
std::optional<int64_t> reportBacklog(const WaitQueue& queue, Catalog& hq,
                                     const std::string& storeId, bool withQueuedAt,
                                     CheckReport& report) {
    const std::string subject = std::string("waiting ") + queue.name;
    int64_t rows = 0;
    const bool counted = readGuarded(subject, report, [&] {
        const Catalog::Backlog backlog = hq.backlog(queue.name, storeId, withQueuedAt);
        rows = backlog.rows;
        std::string finding = std::to_string(backlog.rows) +
                              (backlog.rows == 1 ? " row" : " rows") + " for store " + storeId;
        if (!withQueuedAt)
            finding += ", oldest unknown (no QUEUED_AT column)";
        else if (backlog.rows > 0)
            finding += ", oldest queued " + backlog.oldestQueuedAt;
        report.ok(subject, finding);
    });
    return counted ? std::optional<int64_t>(rows) : std::nullopt;
}

// A store id headquarters does not know looks like a store with nothing to do:
// no queue holds a row for it. When other ids have rows, that is far likelier a
// wrong id (1 for 0001) than a quiet day, and every run would download nothing.
void checkStoreIsQueuedFor(const std::vector<const WaitQueue*>& queues, Catalog& hq,
                           const std::string& storeId, CheckReport& report) {
    constexpr int kShown = 5;
    std::set<std::string> others;
    readGuarded("store " + storeId, report, [&] {
        for (const WaitQueue* queue : queues) {
            for (std::string& id : hq.queuedStoreIds(queue->name, kShown))
                others.insert(std::move(id));
        }
    });
    if (others.empty()) return;
    std::string named;
    int count = 0;
    for (const std::string& id : others) {
        if (count++ == kShown) break;
        named += (named.empty() ? "" : ", ") + id;
    }
    report.fail("store " + storeId,
                "no queue at headquarters holds a row for it, while headquarters queues for " +
                    named + (others.size() > static_cast<size_t>(kShown) ? ", ..." : ""),
                "check the store id with headquarters and write it with olvarin-storecfg "
                "--store-id ID --stock-id ID");
}

void checkQueues(Catalog& hq, const std::optional<std::string>& storeId, CheckReport& report) {
    std::vector<const WaitQueue*> counted;
    int64_t waiting = 0;
    for (const WaitQueue& queue : waitQueues()) {
        const QueueShape shape = checkQueue(queue, hq, report);
        if (!shape.countable || !storeId) continue;
        const auto rows = reportBacklog(queue, hq, *storeId, shape.withQueuedAt, report);
        if (!rows) continue;
        waiting += *rows;
        counted.push_back(&queue);
    }
    if (!storeId) {
        report.skip("waiting rows", "not counted: the store configuration failed above");
        return;
    }
    if (waiting == 0 && !counted.empty()) checkStoreIsQueuedFor(counted, hq, *storeId, report);
}

}  // namespace

CheckReport runSetupCheck(const CheckInputs& inputs) {
    CheckReport report;
    const std::optional<std::string> storeId = checkStoreConfig(inputs.storeConfigFile, report);
    const std::vector<bool> ready =
        checkRegistry(inputs.registryFiles, {kHeadquartersConnection, kBranchConnection}, report);

    const std::string connectionsFile = db::connectionsFilePath(inputs.registryFiles);
    db::SQLConnection source("SQLCon_Source", kHeadquartersConnection, inputs.registryFiles);
    db::SQLConnection target("SQLCon_Target", kBranchConnection, inputs.registryFiles);
    const bool sourceOpen =
        openConnection(source, Side::Headquarters, ready[0], connectionsFile, report);
    const bool targetOpen = openConnection(target, Side::Branch, ready[1], connectionsFile, report);

    Catalog hq(source);
    Catalog branch(target);
    if (sourceOpen && targetOpen) {
        for (const DownloadTable& table : downloadTables()) checkTable(table, branch, hq, report);
    } else {
        report.skip("tables", "not compared: both databases must open");
    }
    if (sourceOpen) {
        checkQueues(hq, storeId, report);
    } else {
        report.skip("wait queues", "not checked: headquarters did not open");
    }
    return report;
}

}  // namespace check
