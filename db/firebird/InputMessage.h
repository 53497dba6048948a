#pragma once

#include <vector>

#include "db/Driver.h"
#include "db/firebird/Api.h"
#include "db/firebird/Ptr.h"

// The input message of an execution: metadata built from the bound parameters'
// own types, and the buffer holding their values. The database converts each value
// to the type it needs.
namespace db::firebird {

class Session;

class InputMessage {
  public:
    // A parameter's type is its BoundParam::type; a non-null value of another kind
    // is sent with its own kind. Text goes as VARCHAR in the attachment's character
    // set (a text longer than a VARCHAR can hold goes as a text BLOB created in the
    // transaction). No parameters give an empty message.
    InputMessage(Session& session, Firebird::ITransaction* transaction,
                 const std::vector<BoundParam>& params);

    Firebird::IMessageMetadata* metadata() const { return metadata_.get(); }
    void* buffer() { return buffer_.empty() ? nullptr : buffer_.data(); }

  private:
    RefPtr<Firebird::IMessageMetadata> metadata_;
    std::vector<unsigned char> buffer_;
};

}  // namespace db::firebird
