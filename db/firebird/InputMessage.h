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

// One parameter's place in a message.
struct ParamShape {
    unsigned type;
    unsigned length;
    int scale = 0;
    int subType = 0;
    unsigned charset = 0;
};

// The layout of a statement's last input message, kept so that the next
// execution whose parameters fit it reuses its metadata instead of building
// another: the same types, and texts no longer than its VARCHARs. A text that
// does not fit widens the VARCHAR for the executions after it. Owned by the
// statement.
class InputLayout {
  public:
    bool fits(const std::vector<ParamShape>& shapes) const;
    // shapes with every VARCHAR as long as this layout's where the types agree.
    std::vector<ParamShape> widened(std::vector<ParamShape> shapes) const;
    void keep(std::vector<ParamShape> shapes, RefPtr<Firebird::IMessageMetadata> metadata);

    const std::vector<ParamShape>& shapes() const { return shapes_; }
    Firebird::IMessageMetadata* metadata() const { return metadata_.get(); }

  private:
    std::vector<ParamShape> shapes_;
    RefPtr<Firebird::IMessageMetadata> metadata_;
};

class InputMessage {
  public:
    // A parameter's type is its BoundParam::type; a non-null value of another kind
    // is sent with its own kind. Text goes as VARCHAR in the attachment's character
    // set (a text longer than a VARCHAR can hold goes as a text BLOB created in the
    // transaction). No parameters give an empty message. With layout, its metadata
    // is used when the parameters fit it, and the metadata built otherwise is kept
    // in it.
    InputMessage(Session& session, Firebird::ITransaction* transaction,
                 const std::vector<BoundParam>& params, InputLayout* layout = nullptr);

    Firebird::IMessageMetadata* metadata() const { return metadata_.get(); }
    void* buffer() { return buffer_.empty() ? nullptr : buffer_.data(); }

  private:
    RefPtr<Firebird::IMessageMetadata> metadata_;
    std::vector<unsigned char> buffer_;
};

}  // namespace db::firebird
