#include "db/firebird/Cursor.h"

#include "db/firebird/Status.h"

namespace db::firebird {

FbCursor::FbCursor(std::shared_ptr<StatementHandle> statement,
                   std::shared_ptr<const OutputLayout> layout,
                   RefPtr<Firebird::IResultSet> resultSet,
                   RefPtr<Firebird::ITransaction> transaction)
    : statement_(std::move(statement)),
      session_(statement_->session),
      layout_(std::move(layout)),
      resultSet_(std::move(resultSet)),
      transaction_(std::move(transaction)),
      buffer_(layout_->messageLength()) {}

FbCursor::~FbCursor() {
    try {
        session_->guarded([&](Firebird::ThrowStatusWrapper* st) {
            resultSet_.finish([&](Firebird::IResultSet* r) { r->close(st); });
        });
    } catch (...) {
        // Released by resultSet_ all the same.
    }
}

bool FbCursor::fetch(std::vector<Value>& row) {
    if (!resultSet_) return false;
    int rc = Firebird::IStatus::RESULT_OK;
    try {
        rc = session_->guarded([&](Firebird::ThrowStatusWrapper* st) {
            const int result = resultSet_->fetchNext(st, buffer_.data());
            if (result != Firebird::IStatus::RESULT_OK)
                resultSet_.finish([&](Firebird::IResultSet* r) { r->close(st); });
            return result;
        });
    } catch (...) {
        resultSet_.reset();  // a failed cursor gives no more rows
        throw;
    }
    if (rc != Firebird::IStatus::RESULT_OK) return false;
    layout_->decode(*session_, transaction_.get(), buffer_.data(), row);
    return true;
}

}  // namespace db::firebird
