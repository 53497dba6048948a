#pragma once

#include <string>

#include "bench/BenchTable.h"
#include "bench/PhaseResult.h"
#include "tests/support/FbOracle.h"

namespace bench {

// The download as bare per-statement client calls, with no dataset layer: the
// statement sequence the engine sends, each statement prepared afresh and run in a
// transaction of its own that is committed after it. Per page: the page SELECT,
// fetched whole. Per row: the keyed SELECT on the branch, then the INSERT of every
// column, or the UPDATE of the changed columns located by all old values.
class BareBaseline {
  public:
    BareBaseline(const std::string& sourcePath, const std::string& targetPath,
                 const BenchTable& table);
    ~BareBaseline();
    BareBaseline(const BareBaseline&) = delete;
    BareBaseline& operator=(const BareBaseline&) = delete;

    PhaseResult download();

  private:
    struct Page;

    void readPage(long long page, Page& out, PhaseResult& result);
    void mirrorRow(const Page& page, size_t row, PhaseResult& result);

    const BenchTable& table_;
    testsupport::fb::Ref<Firebird::IAttachment> source_;
    testsupport::fb::Ref<Firebird::IAttachment> target_;
};

}  // namespace bench
