#include "db/firebird/Connection.h"

#include "db/Error.h"
#include "db/firebird/Statement.h"

namespace db::firebird {

FbConnection::FbConnection(std::shared_ptr<Api> api) : api_(std::move(api)) {}

FbConnection::~FbConnection() {
    try {
        disconnect();
    } catch (...) {
    }
}

void FbConnection::connect(const ConnectOptions& options) {
    if (session_) disconnect();
    auto session = std::make_shared<Session>(api_);
    session->attach(options);
    session_ = std::move(session);
}

bool FbConnection::isConnected() const {
    return session_ && session_->attached();
}

void FbConnection::disconnect() {
    if (!session_) return;
    auto session = std::move(session_);
    session_.reset();
    session->detach();
}

bool FbConnection::ping() {
    return session_ && session_->ping();
}

Session& FbConnection::session() const {
    if (!isConnected()) throw db::Error("Not connected");
    return *session_;
}

std::unique_ptr<Statement> FbConnection::prepare(const std::string& sql) {
    session();
    return std::make_unique<FbStatement>(session_, sql);
}

bool FbConnection::inTransaction() const {
    return isConnected() && session_->inTransaction();
}

void FbConnection::startTransaction(Isolation isolation) {
    session().startTransaction(isolation);
}

void FbConnection::commit() {
    session().commit();
}

void FbConnection::rollback() {
    session().rollback();
}

void FbConnection::endImplicitTransaction() {
    if (isConnected()) session_->endImplicitTransaction();
}

}  // namespace db::firebird
