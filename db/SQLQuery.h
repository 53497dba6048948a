#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "db/Driver.h"
#include "db/SQLConnection.h"
#include "db/Value.h"

namespace db {

struct ParsedSql;

// A parameter of a statement: ":NAME" in its text.
class Param {
  public:
    explicit Param(std::string name) : name_(std::move(name)) {}
    const std::string& name() const { return name_; }
    // Binds a typed value; the first non-null value fixes the parameter's type, and
    // later values are bound with that type. A null makes the parameter null
    // without giving it a type.
    void setValue(const Value& v);
    ValueKind type() const { return type_; }
    const Value& value() const { return value_; }

  private:
    std::string name_;
    ValueKind type_ = ValueKind::Null;
    Value value_;
};

// An SQL statement with named parameters (SQL_TQuery, SQL_SubDet, SQL_Master,
// SQL_Sub). Its text is a list of lines joined by line breaks.
class SQLQuery {
  public:
    SQLQuery(std::string name, SQLConnection& connection);
    ~SQLQuery();

    const std::string& name() const { return name_; }

    // Nothing to release: the statement holds no prepared statement or result
    // between executions (execSQL prepares afresh every time), so closing only
    // marks where the component protocol closes before a new text.
    void close();
    // Every change of the text parses its parameters again; a parameter that keeps
    // its name keeps its value.
    void clearSql();
    void addSql(const std::string& line);
    std::string sqlText() const;

    const std::vector<Param>& params() const { return params_; }
    // Without regard to case; throws "Name: Parameter '%s' not found".
    Param& paramByName(const std::string& name);

    // Opens the connection if needed, prepares, binds, executes. Throws
    // "No value for parameter '%s'" for a parameter without a type.
    void execSQL();
    // The same, through the connection's statement prepared once per text
    // (SQLConnection::cachedStatement): for a text run many times in one unit of work.
    void execPrepared();
    uint64_t rowsAffected() const { return rowsAffected_; }

  private:
    void textChanged();
    // The parameters as the parsed text names them, each with its value.
    std::vector<BoundParam> boundParams(const ParsedSql& parsed);

    std::string name_;
    SQLConnection& connection_;
    std::vector<std::string> lines_;
    std::vector<Param> params_;
    uint64_t rowsAffected_ = 0;
};

// The parameter names of an SQL text in order of appearance (":NAME" outside
// quoted literals and comments), and the text with each marker replaced by '?'.
struct ParsedSql {
    std::string text;
    std::vector<std::string> paramNames;
};
ParsedSql parseParameters(const std::string& sql);

}  // namespace db
