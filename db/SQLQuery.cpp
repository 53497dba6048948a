#include "db/SQLQuery.h"

#include <cctype>

#include "db/Error.h"
#include "db/Field.h"
#include "db/IniFile.h"

namespace db {
namespace {

bool isNameChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$';
}

FieldType fieldTypeFor(ValueKind kind) {
    switch (kind) {
        case ValueKind::SmallInt: return FieldType::SmallInt;
        case ValueKind::Integer: return FieldType::Integer;
        case ValueKind::BigInt: return FieldType::BigInt;
        case ValueKind::Double: return FieldType::Double;
        case ValueKind::Decimal: return FieldType::Decimal;
        case ValueKind::Date: return FieldType::Date;
        case ValueKind::Time: return FieldType::Time;
        case ValueKind::Timestamp: return FieldType::Timestamp;
        default: return FieldType::VarChar;
    }
}

}  // namespace

ParsedSql parseParameters(const std::string& sql) {
    enum class In { Code, Literal, Identifier, LineComment, BlockComment } in = In::Code;
    ParsedSql out;
    out.text.reserve(sql.size());
    for (size_t i = 0; i < sql.size(); ++i) {
        const char c = sql[i];
        const char next = i + 1 < sql.size() ? sql[i + 1] : '\0';
        switch (in) {
            case In::Code:
                if (c == ':' && isNameChar(next)) {
                    size_t end = i + 1;
                    while (end < sql.size() && isNameChar(sql[end])) ++end;
                    out.paramNames.push_back(sql.substr(i + 1, end - i - 1));
                    out.text += '?';
                    i = end - 1;
                    continue;
                }
                if (c == '\'') in = In::Literal;
                else if (c == '"') in = In::Identifier;
                else if (c == '-' && next == '-') in = In::LineComment;
                else if (c == '/' && next == '*') in = In::BlockComment;
                break;
            case In::Literal:
                if (c == '\'') in = In::Code;  // a doubled quote re-enters at once
                break;
            case In::Identifier:
                if (c == '"') in = In::Code;
                break;
            case In::LineComment:
                if (c == '\n') in = In::Code;
                break;
            case In::BlockComment:
                if (c == '*' && next == '/') {
                    out.text += "*/";
                    ++i;
                    in = In::Code;
                    continue;
                }
                break;
        }
        out.text += c;
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

void SQLQuery::execSQL() {
    Connection& connection = connection_.driverConnection();
    const ParsedSql parsed = parseParameters(sqlText());
    std::vector<BoundParam> bound;
    bound.reserve(parsed.paramNames.size());
    for (const auto& name : parsed.paramNames) {
        const Param& p = paramByName(name);
        if (p.type() == ValueKind::Null) throw Error("No value for parameter '" + p.name() + "'");
        bound.push_back({p.type(), p.value()});
    }
    rowsAffected_ = connection.prepare(parsed.text)->execute(bound);
}

}  // namespace db
