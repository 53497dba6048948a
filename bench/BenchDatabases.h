#pragma once

#include <string>

#include "bench/BenchTable.h"
#include "db/SQLConnection.h"
#include "tests/support/TestDatabases.h"

namespace bench {

// A fresh pair of embedded databases in a temporary folder: headquarters from the
// schema with rows of one table, and an empty branch whose forced writes are on
// (every commit reaches the disk before it returns, as on a real branch).
class BenchDatabases {
  public:
    BenchDatabases(const BenchTable& table, long long rows);

    const std::string& folder() const { return databases_.folder(); }
    std::string sourcePath() const { return databases_.sourcePath(); }
    std::string targetPath() const { return databases_.targetPath(); }

    // The configuration files of the program's connections, naming the timing
    // driver module (timingDriver) in place of the Firebird driver module.
    // sourceDatabase, when given, is how the branch reaches headquarters (a server's
    // database name); otherwise the headquarters file is opened embedded.
    db::RegistryFiles registry(const std::string& timingDriver,
                               const std::string& sourceDatabase = {}) const;

    // Queues rows product changes for store at headquarters (PRODUCT_WAIT), in the
    // state given ("UPDATE", or "DELETE" for a discontinuation).
    void queueChanges(const std::string& store, long long rows,
                      const std::string& state = "UPDATE");
    // Fills the branch with rows of the table, as headquarters is filled.
    void fillBranch(long long rows);
    // Runs a statement at headquarters; the first value of a query's first row, as a
    // number, at headquarters and on the branch.
    void execSource(const std::string& sql);
    long long countSource(const std::string& sql);
    long long countBranch(const std::string& sql);
    // Queue rows of store still at headquarters.
    long long queuedChanges(const std::string& store);

    // Changes one non-key column of every headquarters row.
    void editEverySourceRow();
    long long branchRowCount();
    long long branchEditedRowCount();
    // The pages the branch database has written since it was opened, all of them
    // synchronous with forced writes on. Stays attached, so that the counter lives on.
    long long branchPageWrites();
    // Lets go of this object's own attachments (before a timed download).
    void detach() { databases_.detachAll(); }

  private:
    const BenchTable& table_;
    testsupport::TestDatabases databases_;
};

}  // namespace bench
