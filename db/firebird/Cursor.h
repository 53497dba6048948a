#pragma once

#include <memory>
#include <vector>

#include "db/Driver.h"
#include "db/firebird/OutputMessage.h"
#include "db/firebird/Ptr.h"
#include "db/firebird/Session.h"
#include "db/firebird/StatementHandle.h"

// The rows of an open Firebird result set.
namespace db::firebird {

class FbCursor final : public db::Cursor {
  public:
    FbCursor(std::shared_ptr<StatementHandle> statement, std::shared_ptr<const OutputLayout> layout,
             RefPtr<Firebird::IResultSet> resultSet, RefPtr<Firebird::ITransaction> transaction);
    ~FbCursor() override;  // closes the result set quietly

    const std::vector<ColumnInfo>& columns() const override { return layout_->columns(); }
    bool fetch(std::vector<Value>& row) override;

  private:
    std::shared_ptr<StatementHandle> statement_;  // kept prepared while the cursor lives
    std::shared_ptr<Session> session_;
    std::shared_ptr<const OutputLayout> layout_;
    RefPtr<Firebird::IResultSet> resultSet_;      // null once the end was reached
    RefPtr<Firebird::ITransaction> transaction_;  // for reading BLOBs
    std::vector<unsigned char> buffer_;
};

// The one row of an EXECUTE PROCEDURE, fetched already.
class SingleRowCursor final : public db::Cursor {
  public:
    SingleRowCursor(std::shared_ptr<const OutputLayout> layout, std::vector<Value> row)
        : layout_(std::move(layout)), row_(std::move(row)) {}
    const std::vector<ColumnInfo>& columns() const override { return layout_->columns(); }
    bool fetch(std::vector<Value>& row) override {
        if (done_) return false;
        done_ = true;
        row = row_;
        return true;
    }

  private:
    std::shared_ptr<const OutputLayout> layout_;
    std::vector<Value> row_;
    bool done_ = false;
};

}  // namespace db::firebird
