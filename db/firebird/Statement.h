#pragma once

#include <memory>
#include <string>

#include "db/Driver.h"
#include "db/firebird/InputMessage.h"
#include "db/firebird/OutputMessage.h"
#include "db/firebird/Ptr.h"
#include "db/firebird/Session.h"
#include "db/firebird/StatementHandle.h"

// A prepared Firebird statement. It is prepared in the session's current
// transaction and runs in whichever transaction is current when executed.
namespace db::firebird {

class FbStatement final : public db::Statement {
  public:
    FbStatement(std::shared_ptr<Session> session, const std::string& sql);

    bool hasResultSet() const override;
    uint64_t execute(const std::vector<BoundParam>& params) override;
    std::unique_ptr<Cursor> openCursor(const std::vector<BoundParam>& params) override;

  private:
    std::shared_ptr<Session> session_;
    std::shared_ptr<StatementHandle> handle_;  // shared with its cursors
    Firebird::IStatement* statement_ = nullptr;
    unsigned type_ = 0;
    std::shared_ptr<const OutputLayout> output_;  // null when it gives no columns
    InputLayout input_;                           // of the last execution's parameters
};

}  // namespace db::firebird
