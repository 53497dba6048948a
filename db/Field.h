#pragma once

#include <cstdint>
#include <string>

#include "db/Driver.h"
#include "db/Value.h"

namespace db {

class ClientDataSet;

// A field of a client dataset: its definition and, through the dataset, the value
// of the current row. Owned by its dataset; valid while the dataset stays open.
class Field {
  public:
    // name: the field's name in the dataset, which differs from the column's own
    // name (info.name) for a repeated column of a join ("PROD_ID_1").
    Field(ClientDataSet& owner, int index, ColumnInfo info, std::string name);

    const std::string& fieldName() const { return name_; }
    const ColumnInfo& info() const { return info_; }
    FieldType dataType() const { return info_.type; }
    int index() const { return index_; }

    // The value as text; null gives "". Integers in decimal; doubles in general
    // format with at most 15 significant digits; dates "yyyy/mm/dd"; times
    // "hh:nn:ss"; timestamps the date followed, unless at midnight, by a blank and
    // the time; CHAR values with their trailing blanks.
    std::string asString() const;
    // The value as an integer or a double; null gives 0. Throws for text that is
    // not a number ("'abc' is not a valid integer value").
    int64_t asInteger() const;
    double asFloat() const;
    // The typed value, null included.
    const Value& value() const;
    bool isNull() const;

    // Sets the value of the row being inserted or edited, converting it to the
    // field's type ("untyped value" assignment); nulls stay null.
    void setValue(const Value& v);
    void setAsString(const std::string& v) { setValue(Value::text(v)); }

  private:
    ClientDataSet& owner_;
    int index_;
    ColumnInfo info_;
    std::string name_;
};

// Text of a typed value as Field::asString gives it.
std::string valueAsText(const Value& v, FieldType type);
// The same, judged by the value's own kind.
std::string valueAsText(const Value& v);
// The kind of value a field of the given type holds.
ValueKind naturalKind(FieldType type);
// Converts a value to the kind that a field of the given type stores; throws
// db::Error when the value does not convert.
Value convertForField(const Value& v, const ColumnInfo& info);
// A value bound for writing into a column: typed by the value, or by the column
// when the value is null.
BoundParam boundForColumn(const Value& v, const ColumnInfo& info);

}  // namespace db
