#include "db/Field.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "base/DateTimeFormat.h"
#include "base/NumberText.h"
#include "db/ClientDataSet.h"
#include "db/Error.h"

namespace db {
namespace {

std::string twoDigits(int v) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02d", v);
    return buf;
}

std::string dateText(const Date& d) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d%c%02d%c%02d", d.year, base::kDateSeparator, d.month,
                  base::kDateSeparator, d.day);
    return buf;
}

std::string timeText(const Time& t) {
    return twoDigits(t.hour) + base::kTimeSeparator + twoDigits(t.minute) + base::kTimeSeparator +
           twoDigits(t.second);
}

// General format with at most 15 significant digits: "1.5", "100", "1E20", "1E-5".
std::string doubleText(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15g", v);
    std::string s = buf;
    const auto e = s.find('e');
    if (e != std::string::npos) {
        std::string mantissa = s.substr(0, e);
        const bool negative = s[e + 1] == '-';
        std::string digits = s.substr(e + 2);
        while (digits.size() > 1 && digits.front() == '0') digits.erase(0, 1);
        s = mantissa + "E" + (negative ? "-" : "") + digits;
    }
    for (char& c : s) {
        if (c == '.') c = base::kDecimalSeparator;
    }
    return s;
}

// An exact decimal without needless trailing zeros: "12.5", "100", "-0.25".
std::string decimalText(const Decimal& d) {
    const bool negative = d.unscaled < 0;
    const unsigned long long magnitude = negative
                                             ? 0ULL - static_cast<unsigned long long>(d.unscaled)
                                             : static_cast<unsigned long long>(d.unscaled);
    std::string digits = std::to_string(magnitude);
    const size_t scale = static_cast<size_t>(-d.scale);
    if (scale == 0) return (negative ? "-" : "") + digits;
    if (digits.size() <= scale) digits.insert(0, scale - digits.size() + 1, '0');
    std::string whole = digits.substr(0, digits.size() - scale);
    std::string frac = digits.substr(digits.size() - scale);
    while (!frac.empty() && frac.back() == '0') frac.pop_back();
    std::string out = (negative ? "-" : "") + whole;
    if (!frac.empty()) out += base::kDecimalSeparator + frac;
    return out;
}

double decimalToDouble(const Decimal& d) {
    return static_cast<double>(d.unscaled) * std::pow(10.0, d.scale);
}

bool isTextKind(FieldType t) {
    return t == FieldType::FixedChar || t == FieldType::VarChar || t == FieldType::TextBlob ||
           t == FieldType::BinaryBlob;
}

// A value the column cannot take is the record's fault, not the program's: the row
// is refused like one the database refuses.
[[noreturn]] void notConvertible(const Value& v, const char* what) {
    throw Error("'" + valueAsText(v) + "' is not a valid " + what, ErrorKind::Refused);
}

int64_t toInteger(const Value& v) {
    switch (v.kind()) {
        case ValueKind::Null:
            return 0;
        case ValueKind::SmallInt:
        case ValueKind::Integer:
        case ValueKind::BigInt:
            return v.asInt64();
        case ValueKind::Double:
            if (!(std::fabs(v.asDouble()) < 9.2e18)) notConvertible(v, "integer value");
            return std::llround(v.asDouble());
        case ValueKind::Decimal:
            return std::llround(decimalToDouble(v.asDecimal()));
        case ValueKind::Text: {
            if (auto i = base::parseInt32(v.asText())) return *i;
            char* end = nullptr;
            const long long ll = std::strtoll(v.asText().c_str(), &end, 10);
            if (!v.asText().empty() && end && *end == '\0') return ll;
            notConvertible(v, "integer value");
        }
        default:
            notConvertible(v, "integer value");
    }
}

double toDouble(const Value& v) {
    switch (v.kind()) {
        case ValueKind::Null:
            return 0;
        case ValueKind::SmallInt:
        case ValueKind::Integer:
        case ValueKind::BigInt:
            return static_cast<double>(v.asInt64());
        case ValueKind::Double:
            return v.asDouble();
        case ValueKind::Decimal:
            return decimalToDouble(v.asDecimal());
        case ValueKind::Text:
            if (auto d = base::parseDouble(v.asText())) return *d;
            notConvertible(v, "floating point value");
        default:
            notConvertible(v, "floating point value");
    }
}

// Reads "yyyy/mm/dd" (or with '-' or '.'), optionally followed by a time.
bool parseDate(const std::string& s, Date& d, Time& t) {
    int y = 0, m = 0, day = 0, h = 0, n = 0, sec = 0;
    char s1 = 0, s2 = 0;
    const int got =
        std::sscanf(s.c_str(), "%d%c%d%c%d %d:%d:%d", &y, &s1, &m, &s2, &day, &h, &n, &sec);
    if (got < 5 || m < 1 || m > 12 || day < 1 || day > 31) return false;
    d = {y, m, day};
    t = {h, n, sec, 0};
    return true;
}

bool parseTime(const std::string& s, Time& t) {
    int h = 0, n = 0, sec = 0;
    if (std::sscanf(s.c_str(), "%d:%d:%d", &h, &n, &sec) < 2) return false;
    t = {h, n, sec, 0};
    return true;
}

// An integer for a column of the given range; a value outside it is refused rather
// than cut down to a different number.
template <typename Int>
Int toIntegerIn(const Value& v, const char* what) {
    const int64_t i = toInteger(v);
    if (i < std::numeric_limits<Int>::min() || i > std::numeric_limits<Int>::max())
        notConvertible(v, what);
    return static_cast<Int>(i);
}

Value toDecimal(const Value& v, int scale) {
    const double factor = std::pow(10.0, -scale);
    if (v.kind() == ValueKind::Decimal && v.asDecimal().scale == scale) return v;
    if (v.kind() == ValueKind::SmallInt || v.kind() == ValueKind::Integer ||
        v.kind() == ValueKind::BigInt) {
        return Value::decimal({v.asInt64() * static_cast<int64_t>(std::llround(factor)), scale});
    }
    const double scaled = toDouble(v) * factor;
    // Beyond what the column's 64-bit store holds (or not a number at all).
    if (!(std::fabs(scaled) < 9.2e18)) notConvertible(v, "decimal value");
    return Value::decimal({std::llround(scaled), scale});
}

}  // namespace

std::string valueAsText(const Value& v) {
    switch (v.kind()) {
        case ValueKind::Null:
            return "";
        case ValueKind::SmallInt:
        case ValueKind::Integer:
        case ValueKind::BigInt:
            return std::to_string(v.asInt64());
        case ValueKind::Double:
            return doubleText(v.asDouble());
        case ValueKind::Decimal:
            return decimalText(v.asDecimal());
        case ValueKind::Text:
            return v.asText();
        case ValueKind::Date:
            return dateText(v.asDate());
        case ValueKind::Time:
            return timeText(v.asTime());
        case ValueKind::Timestamp: {
            const auto& ts = v.asTimestamp();
            const bool midnight = ts.time.hour == 0 && ts.time.minute == 0 && ts.time.second == 0 &&
                                  ts.time.fraction == 0;
            return midnight ? dateText(ts.date) : dateText(ts.date) + " " + timeText(ts.time);
        }
    }
    return "";
}

std::string valueAsText(const Value& v, FieldType type) {
    if (type == FieldType::Boolean && !v.isNull()) return toInteger(v) != 0 ? "True" : "False";
    return valueAsText(v);
}

ValueKind naturalKind(FieldType type) {
    switch (type) {
        case FieldType::SmallInt:
        case FieldType::Boolean:
            return ValueKind::SmallInt;
        case FieldType::Integer:
            return ValueKind::Integer;
        case FieldType::BigInt:
            return ValueKind::BigInt;
        case FieldType::Decimal:
            return ValueKind::Decimal;
        case FieldType::Double:
            return ValueKind::Double;
        case FieldType::Date:
            return ValueKind::Date;
        case FieldType::Time:
            return ValueKind::Time;
        case FieldType::Timestamp:
            return ValueKind::Timestamp;
        default:
            return ValueKind::Text;
    }
}

Value convertForField(const Value& v, const ColumnInfo& info) {
    if (v.isNull()) return v;
    if (isTextKind(info.type)) {
        return v.kind() == ValueKind::Text ? v : Value::text(valueAsText(v));
    }
    switch (info.type) {
        case FieldType::SmallInt:
        case FieldType::Boolean:
            return Value::smallInt(toIntegerIn<int16_t>(v, "smallint value"));
        case FieldType::Integer:
            return Value::integer(toIntegerIn<int32_t>(v, "integer value"));
        case FieldType::BigInt:
            return Value::bigInt(toInteger(v));
        case FieldType::Double:
            return Value::real(toDouble(v));
        case FieldType::Decimal:
            return toDecimal(v, info.scale);
        case FieldType::Date:
            if (v.kind() == ValueKind::Date) return v;
            if (v.kind() == ValueKind::Timestamp) return Value::date(v.asTimestamp().date);
            break;
        case FieldType::Time:
            if (v.kind() == ValueKind::Time) return v;
            if (v.kind() == ValueKind::Timestamp) return Value::time(v.asTimestamp().time);
            break;
        case FieldType::Timestamp:
            if (v.kind() == ValueKind::Timestamp) return v;
            if (v.kind() == ValueKind::Date) return Value::timestamp({v.asDate(), {}});
            break;
        default:
            break;
    }
    if (v.kind() == ValueKind::Text) {
        Date d;
        Time t;
        if (info.type == FieldType::Time && parseTime(v.asText(), t)) return Value::time(t);
        if (info.type != FieldType::Time && parseDate(v.asText(), d, t)) {
            return info.type == FieldType::Date ? Value::date(d) : Value::timestamp({d, t});
        }
    }
    notConvertible(v, "date and time");
}

Field::Field(ClientDataSet& owner, int index, ColumnInfo info, std::string name)
    : owner_(owner), index_(index), info_(std::move(info)), name_(std::move(name)) {}

const Value& Field::value() const {
    return owner_.currentValue(index_);
}
bool Field::isNull() const {
    return value().isNull();
}
std::string Field::asString() const {
    return valueAsText(value(), info_.type);
}

int64_t Field::asInteger() const {
    try {
        return toInteger(value());
    } catch (const Error& e) {
        throw e.named(owner_.name());
    }
}

double Field::asFloat() const {
    try {
        return toDouble(value());
    } catch (const Error& e) {
        throw e.named(owner_.name());
    }
}

void Field::setValue(const Value& v) {
    try {
        owner_.setCurrentValue(index_, convertForField(v, info_));
    } catch (const Error& e) {
        throw e.named(owner_.name());
    }
}

BoundParam boundForColumn(const Value& v, const ColumnInfo& info) {
    return {v.isNull() ? naturalKind(info.type) : v.kind(), v};
}

}  // namespace db
