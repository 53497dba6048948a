#include "bench/MessageLayout.h"

#include <cstring>
#include <stdexcept>

namespace bench {

namespace fb = testsupport::fb;

MessageLayout::MessageLayout(Firebird::IMessageMetadata* metadata) {
    metadata->addRef();
    metadata_ = fb::Ref<Firebird::IMessageMetadata>(metadata);
    fb::run("message layout", [&](Firebird::ThrowStatusWrapper* st) {
        length_ = metadata->getMessageLength(st);
        const unsigned count = metadata->getCount(st);
        for (unsigned i = 0; i < count; ++i) {
            ColumnSlot c;
            c.name = metadata->getField(st, i);
            c.type = metadata->getType(st, i) & ~1u;
            c.scale = metadata->getScale(st, i);
            c.length = metadata->getLength(st, i);
            c.offset = metadata->getOffset(st, i);
            c.nullOffset = metadata->getNullOffset(st, i);
            c.nullable = metadata->isNullable(st, i);
            columns_.push_back(std::move(c));
        }
    });
}

int MessageLayout::columnIndex(const std::string& name) const {
    for (size_t i = 0; i < columns_.size(); ++i) {
        if (columns_[i].name == name) return static_cast<int>(i);
    }
    throw std::runtime_error("no column " + name);
}

bool isNull(const ColumnSlot& slot, const Message& message) {
    short indicator = 0;
    std::memcpy(&indicator, message.data() + slot.nullOffset, sizeof indicator);
    return indicator != 0;
}

std::string_view valueBytes(const ColumnSlot& slot, const Message& message) {
    const auto* p = reinterpret_cast<const char*>(message.data() + slot.offset);
    if (slot.type != SQL_VARYING) return {p, slot.length};
    unsigned short length = 0;
    std::memcpy(&length, p, sizeof length);
    return {p, sizeof length + static_cast<size_t>(length)};
}

std::string textValue(const ColumnSlot& slot, const Message& message) {
    const std::string_view bytes = valueBytes(slot, message);
    return std::string(slot.type == SQL_VARYING ? bytes.substr(2) : bytes);
}

bool sameValue(const ColumnSlot& a, const Message& am, const ColumnSlot& b, const Message& bm) {
    const bool aNull = isNull(a, am), bNull = isNull(b, bm);
    if (aNull || bNull) return aNull == bNull;
    return valueBytes(a, am) == valueBytes(b, bm);
}

void copyValue(const ColumnSlot& from, const Message& fromMessage, const ColumnSlot& to,
               Message& toMessage) {
    const bool fits =
        from.type == to.type && from.scale == to.scale &&
        (from.type == SQL_VARYING ? from.length <= to.length : from.length == to.length);
    if (!fits) throw std::runtime_error("parameter type differs from column " + from.name);
    const short indicator = isNull(from, fromMessage) ? -1 : 0;
    if (indicator != 0 && !to.nullable) throw std::runtime_error("null for " + from.name);
    std::memcpy(toMessage.data() + to.nullOffset, &indicator, sizeof indicator);
    if (indicator != 0) return;
    const std::string_view bytes = valueBytes(from, fromMessage);
    std::memcpy(toMessage.data() + to.offset, bytes.data(), bytes.size());
}

}  // namespace bench
