#include "db/SQLQuery.h"

#include "db/Error.h"
#include "db/Field.h"
#include "db/IniFile.h"
#include "db/SqlScanner.h"

namespace db {
namespace {

FieldType fieldTypeFor(ValueKind kind) {
    switch (kind) {
        case ValueKind::SmallInt:
            return FieldType::SmallInt;
        case ValueKind::Integer:
            return FieldType::Integer;
        case ValueKind::BigInt:
            return FieldType::BigInt;
        case ValueKind::Double:
            return FieldType::Double;
        case ValueKind::Decimal:
            return FieldType::Decimal;
        case ValueKind::Date:
            return FieldType::Date;
        case ValueKind::Time:
            return FieldType::Time;
        case ValueKind::Timestamp:
            return FieldType::Timestamp;
        default:
            return FieldType::VarChar;
    }
}

}  // namespace

ParsedSql parseParameters(const std::string& sql) {
    const std::vector<SqlPart> parts = sqlParts(sql);
    ParsedSql out;
    out.text.reserve(sql.size());
    for (size_t i = 0; i < sql.size(); ++i) {
        const bool marker = parts[i] == SqlPart::Code && sql[i] == ':' && i + 1 < sql.size() &&
                            isSqlNameChar(sql[i + 1]);
        if (!marker) {
            out.text += sql[i];
            continue;
        }
        size_t end = i + 1;
        while (end < sql.size() && isSqlNameChar(sql[end])) ++end;
        out.paramNames.push_back(sql.substr(i + 1, end - i - 1));
        out.text += '?';
        i = end - 1;
    }
    return out;
}

void Param::setValue(const Value& v) {
    if (v.isNull()) {
        value_ = Value::null();
        return;
    }
    if (type_ == ValueKind::Null) type_ = v.kind();
    if (v.kind() == type_) {
        value_ = v;
    } else {
        ColumnInfo info;
        info.type = fieldTypeFor(type_);
        value_ = convertForField(v, info);
    }
}

SQLQuery::SQLQuery(std::string name, SQLConnection& connection)
    : name_(std::move(name)), connection_(connection) {}

SQLQuery::~SQLQuery() = default;

void SQLQuery::close() {}

void SQLQuery::clearSql() {
    lines_.clear();
    textChanged();
}

void SQLQuery::addSql(const std::string& line) {
    lines_.push_back(line);
    textChanged();
}

std::string SQLQuery::sqlText() const {
    std::string text;
    for (size_t i = 0; i < lines_.size(); ++i) {
        if (i) text += '\n';
        text += lines_[i];
    }
    return text;
}

void SQLQuery::textChanged() {
    std::vector<Param> kept = std::move(params_);
    params_.clear();
    for (const auto& name : parseParameters(sqlText()).paramNames) {
        bool known = false;
        for (const auto& p : params_) known = known || sameName(p.name(), name);
        if (known) continue;
        Param param(name);
        for (const auto& old : kept) {
            if (sameName(old.name(), name)) param = old;
        }
        params_.push_back(param);
    }
}

Param& SQLQuery::paramByName(const std::string& name) {
    for (auto& p : params_) {
        if (sameName(p.name(), name)) return p;
    }
    throw Error(withComponentName(name_, "Parameter '" + name + "' not found"));
}

std::vector<BoundParam> SQLQuery::boundParams(const ParsedSql& parsed) {
    std::vector<BoundParam> bound;
    bound.reserve(parsed.paramNames.size());
    for (const auto& name : parsed.paramNames) {
        const Param& p = paramByName(name);
        if (p.type() == ValueKind::Null) throw Error("No value for parameter '" + p.name() + "'");
        bound.push_back({p.type(), p.value()});
    }
    return bound;
}

void SQLQuery::execSQL() {
    Connection& connection = connection_.driverConnection();
    const ParsedSql parsed = parseParameters(sqlText());
    const std::vector<BoundParam> bound = boundParams(parsed);
    rowsAffected_ = connection.prepare(parsed.text)->execute(bound);
}

void SQLQuery::execPrepared() {
    const ParsedSql parsed = parseParameters(sqlText());
    const std::vector<BoundParam> bound = boundParams(parsed);
    rowsAffected_ = connection_.cachedStatement(parsed.text).execute(bound);
}

}  // namespace db
