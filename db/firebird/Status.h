#pragma once

#include <firebird/Interface.h>
#include <iberror.h>

#include <string>

#include "db/Error.h"
#include "db/firebird/Api.h"

// Firebird's status, and the turning of its errors into db::Error.
namespace db::firebird {

// A status vector for a series of calls, with the wrapper that throws
// Firebird::FbException when a call fails. Used on one thread at a time.
class Status {
  public:
    explicit Status(const Api& api);
    Firebird::ThrowStatusWrapper* get() { return &wrapper_; }

  private:
    DisposablePtr<Firebird::IStatus> status_;
    Firebird::ThrowStatusWrapper wrapper_;
};

// The message of a failed call exactly as Firebird formats it (IUtil::formatStatus),
// lines joined by line breaks, without the final line break.
std::string formatStatus(const Api& api, Firebird::IStatus* status);

// The db::Error of a failed call: Firebird's message, its first GDS code, its
// SQLSTATE, and whether the link or the database failed (else the statement was
// refused).
db::Error errorOf(const Api& api, Firebird::IStatus* status);

// Throws errorOf the caught Firebird error.
[[noreturn]] void throwError(const Api& api, const Firebird::FbException& e);

// Runs call(status) and turns a Firebird error it throws into db::Error with
// Firebird's message.
template <typename F>
decltype(auto) guarded(const Api& api, F&& call) {
    Status status(api);
    try {
        return call(status.get());
    } catch (const Firebird::FbException& e) {
        throwError(api, e);
    }
}

}  // namespace db::firebird
