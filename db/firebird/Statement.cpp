#include "db/firebird/Statement.h"

#include "db/Error.h"
#include "db/firebird/Cursor.h"
#include "db/firebird/InputMessage.h"
#include "db/firebird/Status.h"

namespace db::firebird {

FbStatement::FbStatement(std::shared_ptr<Session> session, const std::string& sql)
    : session_(std::move(session)) {
    Firebird::IAttachment* attachment = session_->attachment();
    Firebird::ITransaction* transaction = session_->current();
    const auto dialect = static_cast<unsigned>(session_->options().dialect);
    RefPtr<Firebird::IMessageMetadata> outMeta;
    session_->guarded([&](Firebird::ThrowStatusWrapper* st) {
        handle_ = std::make_shared<StatementHandle>(
            session_, RefPtr<Firebird::IStatement>(
                          attachment->prepare(st, transaction, 0, sql.c_str(), dialect,
                                              Firebird::IStatement::PREPARE_PREFETCH_METADATA)));
        statement_ = handle_->statement.get();
        type_ = statement_->getType(st);
        outMeta.reset(statement_->getOutputMetadata(st));
        if (outMeta->getCount(st) == 0) outMeta.reset();
    });
    if (outMeta) output_ = std::make_shared<const OutputLayout>(*session_, outMeta.get());
}

bool FbStatement::hasResultSet() const {
    return type_ == isc_info_sql_stmt_select || type_ == isc_info_sql_stmt_select_for_upd;
}

uint64_t FbStatement::execute(const std::vector<BoundParam>& params) {
    if (hasResultSet()) {
        openCursor(params);  // runs it; its rows are not wanted
        return 0;
    }
    Firebird::ITransaction* transaction = session_->current();
    InputMessage input(*session_, transaction, params, &input_);
    std::vector<unsigned char> output(output_ ? output_->messageLength() : 0);
    return session_->guarded([&](Firebird::ThrowStatusWrapper* st) {
        statement_->execute(st, transaction, input.metadata(), input.buffer(),
                            output_ ? output_->metadata() : nullptr,
                            output_ ? output.data() : nullptr);
        return static_cast<uint64_t>(statement_->getAffectedRecords(st));
    });
}

std::unique_ptr<Cursor> FbStatement::openCursor(const std::vector<BoundParam>& params) {
    Firebird::ITransaction* transaction = session_->current();
    InputMessage input(*session_, transaction, params, &input_);
    if (!hasResultSet()) {
        // EXECUTE PROCEDURE with output parameters gives one row.
        if (!output_ || type_ != isc_info_sql_stmt_exec_procedure)
            throw db::Error("Cursor not returned from Query");
        std::vector<unsigned char> output(output_->messageLength());
        session_->guarded([&](Firebird::ThrowStatusWrapper* st) {
            statement_->execute(st, transaction, input.metadata(), input.buffer(),
                                output_->metadata(), output.data());
        });
        std::vector<Value> row;
        output_->decode(*session_, transaction, output.data(), row);
        return std::make_unique<SingleRowCursor>(output_, std::move(row));
    }
    RefPtr<Firebird::IResultSet> resultSet;
    session_->guarded([&](Firebird::ThrowStatusWrapper* st) {
        resultSet.reset(statement_->openCursor(st, transaction, input.metadata(), input.buffer(),
                                               output_->metadata(), 0));
    });
    return std::make_unique<FbCursor>(handle_, output_, std::move(resultSet),
                                      RefPtr<Firebird::ITransaction>::share(transaction));
}

}  // namespace db::firebird
