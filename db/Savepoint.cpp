#include "db/Savepoint.h"

#include <utility>

namespace db {

Savepoint::Savepoint(SQLConnection& connection, std::string name)
    : connection_(connection), name_(std::move(name)) {
    run("SAVEPOINT " + name_);
}

void Savepoint::release() {
    run("RELEASE SAVEPOINT " + name_);
}

void Savepoint::rollback() {
    run("ROLLBACK TO SAVEPOINT " + name_);
}

void Savepoint::run(const std::string& statement) {
    connection_.cachedStatement(statement).execute({});
}

}  // namespace db
