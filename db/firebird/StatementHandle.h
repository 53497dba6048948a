#pragma once

#include <memory>

#include "db/firebird/Ptr.h"
#include "db/firebird/Session.h"
#include "db/firebird/Status.h"

// A prepared IStatement, freed (quietly) when the last of its statement and its
// cursors lets go of it, so that a cursor never outlives the statement it reads.
namespace db::firebird {

struct StatementHandle {
    StatementHandle(std::shared_ptr<Session> s, RefPtr<Firebird::IStatement> st)
        : session(std::move(s)), statement(std::move(st)) {}
    ~StatementHandle() {
        try {
            session->guarded([&](Firebird::ThrowStatusWrapper* st) {
                statement.finish([&](Firebird::IStatement* s) { s->free(st); });
            });
        } catch (...) {
            // Released by statement all the same.
        }
    }
    StatementHandle(const StatementHandle&) = delete;
    StatementHandle& operator=(const StatementHandle&) = delete;

    std::shared_ptr<Session> session;
    RefPtr<Firebird::IStatement> statement;
};

}  // namespace db::firebird
