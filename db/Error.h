#pragma once

#include <exception>
#include <stdexcept>
#include <string>
#include <utility>

namespace db {

// What a failure means to the one who meets it.
enum class ErrorKind {
    // Our own layer's: a missing file, key, field or parameter, a call out of order.
    Usage,
    // The database refused the statement or the row: a constraint, a conversion, a
    // lock or update conflict, a statement it cannot run. The link is fine, so the
    // next statement may well succeed.
    Refused,
    // The link or the database failed: a network error, a connection lost or shut
    // down, an I/O error, a database shut down, missing or unreachable, a login
    // refused. Nothing more can be done on that connection; it reports itself
    // closed, and its next use connects again.
    LinkFailed,
};

// Every failure of the database layer: a message, ready to show, its kind and,
// when it came from the database, the database's own codes (Firebird's GDS code
// and SQLSTATE). An error raised for a named component carries the name first, as
// "Name: message".
class Error : public std::runtime_error {
  public:
    explicit Error(const std::string& message, ErrorKind kind = ErrorKind::Usage, long gdsCode = 0,
                   std::string sqlState = {})
        : std::runtime_error(message),
          kind_(kind),
          gdsCode_(gdsCode),
          sqlState_(std::move(sqlState)) {}

    ErrorKind kind() const { return kind_; }
    bool linkFailed() const { return kind_ == ErrorKind::LinkFailed; }
    // The first GDS code of the database's error, 0 for an error of our own.
    long gdsCode() const { return gdsCode_; }
    // The database's SQLSTATE ("23000"), empty when it gave none.
    const std::string& sqlState() const { return sqlState_; }

    // The same error with a component's name put in front of its message.
    Error named(const std::string& componentName) const;

  private:
    ErrorKind kind_;
    long gdsCode_;
    std::string sqlState_;
};

// The message with a component's name in front ("CDS_T1: Field 'X' not found").
inline std::string withComponentName(const std::string& name, const std::string& message) {
    return name.empty() ? message : name + ": " + message;
}

inline Error Error::named(const std::string& componentName) const {
    return Error(withComponentName(componentName, what()), kind_, gdsCode_, sqlState_);
}

// Whether an exception is a db::Error of the link or the database.
inline bool isLinkFailure(const std::exception& e) {
    const auto* error = dynamic_cast<const Error*>(&e);
    return error && error->linkFailed();
}

}  // namespace db
