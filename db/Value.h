#pragma once

#include <cstdint>
#include <string>
#include <variant>

namespace db {

struct Date {
    int year = 1, month = 1, day = 1;
    friend bool operator==(const Date&, const Date&) = default;
};

struct Time {
    int hour = 0, minute = 0, second = 0;
    int fraction = 0;  // ten-thousandths of a second, as Firebird keeps them
    friend bool operator==(const Time&, const Time&) = default;
};

struct Timestamp {
    Date date;
    Time time;
    friend bool operator==(const Timestamp&, const Timestamp&) = default;
};

// An exact decimal: unscaled * 10^scale, scale <= 0 (NUMERIC and DECIMAL columns).
struct Decimal {
    int64_t unscaled = 0;
    int scale = 0;
    friend bool operator==(const Decimal&, const Decimal&) = default;
};

// The kind of a typed value. Text also carries BLOB contents.
enum class ValueKind {
    Null,
    SmallInt,
    Integer,
    BigInt,
    Double,
    Decimal,
    Text,
    Date,
    Time,
    Timestamp
};

// A typed value or null, as fields hold it and parameters take it. SmallInt,
// Integer and BigInt all keep their number in an int64_t.
class Value {
  public:
    Value() = default;
    static Value null() { return {}; }
    static Value smallInt(int16_t v) { return Value(ValueKind::SmallInt, int64_t{v}); }
    static Value integer(int32_t v) { return Value(ValueKind::Integer, int64_t{v}); }
    static Value bigInt(int64_t v) { return Value(ValueKind::BigInt, v); }
    static Value real(double v) { return Value(ValueKind::Double, v); }
    static Value decimal(Decimal v) { return Value(ValueKind::Decimal, v); }
    static Value text(std::string v) { return Value(ValueKind::Text, std::move(v)); }
    static Value date(Date v) { return Value(ValueKind::Date, v); }
    static Value time(Time v) { return Value(ValueKind::Time, v); }
    static Value timestamp(Timestamp v) { return Value(ValueKind::Timestamp, v); }

    ValueKind kind() const { return kind_; }
    bool isNull() const { return kind_ == ValueKind::Null; }

    // The stored representation; only the accessor of the value's kind is valid.
    int64_t asInt64() const { return std::get<int64_t>(data_); }
    double asDouble() const { return std::get<double>(data_); }
    const Decimal& asDecimal() const { return std::get<Decimal>(data_); }
    const std::string& asText() const { return std::get<std::string>(data_); }
    const Date& asDate() const { return std::get<Date>(data_); }
    const Time& asTime() const { return std::get<Time>(data_); }
    const Timestamp& asTimestamp() const { return std::get<Timestamp>(data_); }

    friend bool operator==(const Value&, const Value&) = default;

  private:
    using Data =
        std::variant<std::monostate, int64_t, double, Decimal, std::string, Date, Time, Timestamp>;
    template <typename T>
    Value(ValueKind kind, T v) : kind_(kind), data_(std::move(v)) {}

    ValueKind kind_ = ValueKind::Null;
    Data data_;
};

}  // namespace db
