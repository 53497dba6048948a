#pragma once

#include <string>

#include "bench/PhaseResult.h"
#include "tests/support/FbOracle.h"

namespace bench {

// The least a download can do through Firebird's client: one cursor over the rows
// at headquarters, one INSERT prepared once on the branch, every row executed with
// the fetched message as it is (no copy, no conversion), one transaction on each
// side committed at the end. Optionally one more statement at headquarters in the
// same read transaction (removing the queue rows that were handled).
class PhysicalLimit {
  public:
    // source: a path (embedded) or a server name; target: the branch's path.
    PhysicalLimit(const std::string& source, const std::string& target, std::string table);
    ~PhysicalLimit();
    PhysicalLimit(const PhysicalLimit&) = delete;
    PhysicalLimit& operator=(const PhysicalLimit&) = delete;

    // Runs query at headquarters and inserts every row into the table; then runs
    // afterwards (when not empty) at headquarters. pageSeconds is the time in the
    // cursor (open and fetch), writeSeconds the INSERTs, commitSeconds the branch's commit.
    // write, when given, replaces the INSERT: a statement whose parameters are the
    // fetched row ("DELETE FROM PRODUCT WHERE PROD_ID = ?" for a query of keys).
    PhaseResult download(const std::string& query, const std::string& afterwards = {},
                         const std::string& write = {});

  private:
    std::string table_;
    testsupport::fb::Ref<Firebird::IAttachment> source_;
    testsupport::fb::Ref<Firebird::IAttachment> target_;
};

}  // namespace bench
