#pragma once

#include <memory>
#include <vector>

#include "db/Driver.h"
#include "db/Value.h"
#include "db/firebird/Api.h"
#include "db/firebird/Ptr.h"

// The layout of a statement's output message and the decoding of its rows into
// Values, natively typed.
namespace db::firebird {

class Session;

class OutputLayout {
  public:
    // Describes the columns of the metadata. Columns of a table that are computed
    // there, and expressions, are read-only.
    OutputLayout(Session& session, Firebird::IMessageMetadata* metadata);

    const std::vector<ColumnInfo>& columns() const { return columns_; }
    Firebird::IMessageMetadata* metadata() const { return metadata_.get(); }
    unsigned messageLength() const { return length_; }

    // Decodes one fetched message into row; BLOBs are read through the attachment in
    // the transaction given.
    void decode(Session& session, Firebird::ITransaction* transaction, const unsigned char* message,
                std::vector<Value>& row) const;

  private:
    struct Slot {
        unsigned type = 0;  // SQL type without the nullable bit
        int subType = 0;
        int scale = 0;
        unsigned length = 0;  // bytes
        unsigned charset = 0;
        unsigned offset = 0;
        unsigned nullOffset = 0;
    };

    Value decodeSlot(Session& session, Firebird::ITransaction* transaction, const Slot& slot,
                     const ColumnInfo& column, const unsigned char* p) const;

    RefPtr<Firebird::IMessageMetadata> metadata_;
    unsigned length_ = 0;
    std::vector<ColumnInfo> columns_;
    std::vector<Slot> slots_;
};

}  // namespace db::firebird
