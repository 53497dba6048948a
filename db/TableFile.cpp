#include "db/TableFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <limits>
#include <set>

#include <nlohmann/json.hpp>

#include "base/Platform.h"
#include "base/Text.h"
#include "db/Error.h"

namespace db {
namespace {

using nlohmann::json;

constexpr const char* kMissingData = "Missing data provider or data packet";

// A content problem; turned into "Invalid table file ..." with the path.
struct FormatError {
    std::string reason;
};

[[noreturn]] void formatError(std::string reason) {
    throw FormatError{std::move(reason)};
}

std::string readWholeFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        if (!base::isMissingFileError(error)) {
            throw Error("File \"" + base::linkResolvedPath(path) + "\" " +
                        base::readRefusalText(error));
        }
        throw Error("Cannot open file \"" + path + "\". " + base::systemErrorText(error));
    }
    std::string content;
    char buf[8192];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            const int error = errno;
            ::close(fd);
            throw Error("Cannot open file \"" + path + "\". " + base::systemErrorText(error));
        }
        content.append(buf, static_cast<size_t>(n));
    }
    ::close(fd);
    return content;
}

// Number of characters of UTF-8 text (continuation bytes not counted).
size_t utf8Length(const std::string& text) {
    size_t count = 0;
    for (unsigned char c : text) {
        if ((c & 0xC0) != 0x80) ++count;
    }
    return count;
}

struct TypeName {
    const char* name;
    FieldType type;
};
constexpr TypeName kTypeNames[] = {
    {"string", FieldType::VarChar},
    {"integer", FieldType::Integer},
    {"float", FieldType::Double},
    {"date", FieldType::Date},
};

std::string typeName(FieldType type) {
    for (const auto& t : kTypeNames) {
        if (t.type == type) return t.name;
    }
    return {};
}

ColumnInfo parseField(const json& entry, size_t index) {
    const std::string where = "field " + std::to_string(index + 1);
    if (!entry.is_object()) formatError(where + " is not an object");
    const auto name = entry.find("name");
    if (name == entry.end() || !name->is_string() || name->get<std::string>().empty()) {
        formatError(where + " has no name");
    }
    ColumnInfo info;
    info.name = name->get<std::string>();
    const auto type = entry.find("type");
    if (type == entry.end() || !type->is_string()) formatError(where + " has no type");
    bool known = false;
    for (const auto& t : kTypeNames) {
        if (*type == t.name) {
            info.type = t.type;
            known = true;
        }
    }
    if (!known) formatError(where + " has the unknown type \"" + type->get<std::string>() + "\"");
    if (const auto size = entry.find("size"); size != entry.end()) {
        if (!size->is_number_integer() || *size < 0 || *size > std::numeric_limits<int>::max()) {
            formatError(where + " has an invalid size");
        }
        info.size = size->get<int>();
    }
    return info;
}

bool parseDate(const std::string& text, Date& date) {
    int y = 0, m = 0, d = 0;
    char s1 = 0, s2 = 0;
    int consumed = 0;
    if (std::sscanf(text.c_str(), "%4d%c%2d%c%2d%n", &y, &s1, &m, &s2, &d, &consumed) != 5)
        return false;
    if (static_cast<size_t>(consumed) != text.size() || text.size() != 10) return false;
    if (s1 != '/' || s2 != '/' || m < 1 || m > 12 || d < 1 || d > 31 || y < 1) return false;
    date = Date{y, m, d};
    return true;
}

Value parseValue(const json& v, const ColumnInfo& field, const std::string& where) {
    if (v.is_null()) return Value::null();
    switch (field.type) {
        case FieldType::VarChar: {
            if (!v.is_string()) formatError(where + " is not a string");
            const auto& text = v.get_ref<const std::string&>();
            if (field.size > 0 && utf8Length(text) > static_cast<size_t>(field.size)) {
                formatError(where + " is longer than " + std::to_string(field.size) +
                            " characters");
            }
            return Value::text(text);
        }
        case FieldType::Integer:
            if (!v.is_number_integer() || v < std::numeric_limits<int32_t>::min() ||
                v > std::numeric_limits<int32_t>::max()) {
                formatError(where + " is not a 32-bit integer");
            }
            return Value::integer(v.get<int32_t>());
        case FieldType::Double:
            if (!v.is_number()) formatError(where + " is not a number");
            return Value::real(v.get<double>());
        case FieldType::Date: {
            Date date;
            if (!v.is_string() || !parseDate(v.get<std::string>(), date)) {
                formatError(where + " is not a date \"yyyy/mm/dd\"");
            }
            return Value::date(date);
        }
        default:
            formatError(where + " has a type a table file cannot hold");
    }
}

TableData parseTable(const std::string& content) {
    json doc;
    try {
        doc = json::parse(content);
    } catch (const json::parse_error& e) {
        // e.what() reads "[json.exception.parse_error.101] parse error at ..."; keep the text.
        std::string what = e.what();
        if (const auto close = what.find("] "); close != std::string::npos)
            what.erase(0, close + 2);
        formatError(what);
    }
    if (!doc.is_object()) formatError("the content is not a JSON object");
    const auto fields = doc.find("fields");
    if (fields == doc.end() || !fields->is_array()) formatError("no \"fields\" list");
    const auto rows = doc.find("rows");
    if (rows == doc.end() || !rows->is_array()) formatError("no \"rows\" list");

    TableData table;
    std::set<std::string> names;
    for (size_t i = 0; i < fields->size(); ++i) {
        table.fields.push_back(parseField((*fields)[i], i));
        if (!names.insert(base::asciiLower(table.fields.back().name)).second) {
            formatError("the field name \"" + table.fields.back().name + "\" appears twice");
        }
    }
    for (size_t r = 0; r < rows->size(); ++r) {
        const json& row = (*rows)[r];
        const std::string where = "row " + std::to_string(r + 1);
        if (!row.is_array() || row.size() != table.fields.size()) {
            formatError(where + " does not hold one value per field");
        }
        std::vector<Value> values;
        values.reserve(row.size());
        for (size_t c = 0; c < row.size(); ++c) {
            values.push_back(parseValue(row[c], table.fields[c],
                                        where + ", field \"" + table.fields[c].name + "\""));
        }
        table.rows.push_back(std::move(values));
    }
    return table;
}

std::string dateText(const Date& d) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d/%02d/%02d", d.year, d.month, d.day);
    return buf;
}

json valueToJson(const Value& v) {
    switch (v.kind()) {
        case ValueKind::Null:
            return nullptr;
        case ValueKind::SmallInt:
        case ValueKind::Integer:
        case ValueKind::BigInt:
            return v.asInt64();
        case ValueKind::Double:
            return v.asDouble();
        case ValueKind::Text:
            return v.asText();
        case ValueKind::Date:
            return dateText(v.asDate());
        default:
            throw Error("A table file cannot hold this kind of value");
    }
}

}  // namespace

TableData loadTableFile(const std::string& path) {
    const std::string content = readWholeFile(path);
    if (content.empty()) throw Error(kMissingData);
    try {
        return parseTable(content);
    } catch (const FormatError& e) {
        throw Error("Invalid table file \"" + path + "\": " + e.reason);
    }
}

void saveTableFile(const std::string& path, const TableData& table) {
    json doc = json::object();
    doc["fields"] = json::array();
    for (const auto& field : table.fields) {
        const std::string type = typeName(field.type);
        if (type.empty()) throw Error("A table file cannot hold the field \"" + field.name + "\"");
        json entry = {{"name", field.name}, {"type", type}};
        if (field.size > 0) entry["size"] = field.size;
        doc["fields"].push_back(std::move(entry));
    }
    doc["rows"] = json::array();
    for (const auto& row : table.rows) {
        json values = json::array();
        for (const auto& v : row) values.push_back(valueToJson(v));
        doc["rows"].push_back(std::move(values));
    }
    const std::string text = doc.dump(2, ' ', false, json::error_handler_t::replace) + "\n";

    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) throw Error("Cannot create file \"" + path + "\". " + base::systemErrorText(errno));
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    const int error = errno;
    if (std::fclose(file) != 0 || !written) {
        throw Error("Cannot write file \"" + path + "\". " + base::systemErrorText(error));
    }
}

}  // namespace db
