#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "tests/support/FbOracle.h"

namespace bench {

// Where each column of a Firebird message sits in its buffer, read once from the
// message's metadata.
struct ColumnSlot {
    std::string name;   // the column's field name
    unsigned type = 0;  // SQL_VARYING, SQL_LONG, ... (nullable bit cleared)
    int scale = 0;
    unsigned length = 0;
    unsigned offset = 0;
    unsigned nullOffset = 0;
    bool nullable = true;
};

using Message = std::vector<unsigned char>;

class MessageLayout {
  public:
    explicit MessageLayout(Firebird::IMessageMetadata* metadata);

    Firebird::IMessageMetadata* metadata() const { return metadata_.get(); }
    unsigned length() const { return length_; }
    const std::vector<ColumnSlot>& columns() const { return columns_; }
    int columnIndex(const std::string& name) const;  // throws when absent

  private:
    testsupport::fb::Ref<Firebird::IMessageMetadata> metadata_;
    unsigned length_ = 0;
    std::vector<ColumnSlot> columns_;
};

bool isNull(const ColumnSlot& slot, const Message& message);
// The value's bytes as the message holds them (for VARCHAR: the length prefix
// and the characters it counts).
std::string_view valueBytes(const ColumnSlot& slot, const Message& message);
std::string textValue(const ColumnSlot& slot, const Message& message);  // CHAR, VARCHAR
bool sameValue(const ColumnSlot& a, const Message& am, const ColumnSlot& b, const Message& bm);
// Copies a value (or its null) into a parameter of the same type; throws when the
// parameter's type differs.
void copyValue(const ColumnSlot& from, const Message& fromMessage, const ColumnSlot& to,
               Message& toMessage);

}  // namespace bench
