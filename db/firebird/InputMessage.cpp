#include "db/firebird/InputMessage.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "db/firebird/Charsets.h"
#include "db/firebird/Session.h"
#include "db/firebird/Status.h"

namespace db::firebird {

namespace {

// The longest text a VARCHAR parameter takes.
constexpr std::size_t kMaxVarying = 32765;

template <typename T>
void store(unsigned char* p, T v) {
    std::memcpy(p, &v, sizeof v);
}

using Shape = ParamShape;

// A widened layout is kept only while its message stays this small, so that
// the longest texts of many rows never add up to a message the database refuses.
constexpr unsigned kKeptMessageLimit = 16384;

bool sameType(const Shape& a, const Shape& b) {
    return a.type == b.type && a.scale == b.scale && a.subType == b.subType &&
           a.charset == b.charset;
}

bool sameLayout(const std::vector<Shape>& a, const std::vector<Shape>& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (!sameType(a[i], b[i]) || a[i].length != b[i].length) return false;
    return true;
}

RefPtr<Firebird::IMessageMetadata> buildMetadata(const Api& api, Firebird::ThrowStatusWrapper* st,
                                                 const std::vector<Shape>& shapes) {
    const auto count = static_cast<unsigned>(shapes.size());
    RefPtr<Firebird::IMetadataBuilder> builder(api.master()->getMetadataBuilder(st, count));
    for (unsigned i = 0; i < count; ++i) {
        const Shape& s = shapes[i];
        builder->setType(st, i, s.type + 1);  // + 1: nullable
        builder->setLength(st, i, s.length);
        builder->setScale(st, i, s.scale);
        if (s.type == SQL_VARYING || s.type == SQL_BLOB) builder->setCharSet(st, i, s.charset);
        if (s.type == SQL_BLOB) builder->setSubType(st, i, s.subType);
    }
    return RefPtr<Firebird::IMessageMetadata>(builder->getMetadata(st));
}

ValueKind effectiveKind(const BoundParam& p) {
    if (!p.value.isNull()) return p.value.kind();
    return p.type == ValueKind::Null ? ValueKind::Text : p.type;
}

Shape shapeOf(const BoundParam& p) {
    switch (effectiveKind(p)) {
        case ValueKind::SmallInt:
            return {SQL_SHORT, 2};
        case ValueKind::Integer:
            return {SQL_LONG, 4};
        case ValueKind::BigInt:
            return {SQL_INT64, 8};
        case ValueKind::Double:
            return {SQL_DOUBLE, 8};
        case ValueKind::Decimal:
            return {SQL_INT64, 8, p.value.isNull() ? 0 : p.value.asDecimal().scale};
        case ValueKind::Date:
            return {SQL_TYPE_DATE, 4};
        case ValueKind::Time:
            return {SQL_TYPE_TIME, 4};
        case ValueKind::Timestamp:
            return {SQL_TIMESTAMP, 8};
        case ValueKind::Text:
        case ValueKind::Null:
        default: {
            const std::size_t n = p.value.isNull() ? 0 : p.value.asText().size();
            if (n > kMaxVarying) return {SQL_BLOB, 8, 0, 1, kCharsetDynamic};
            return {SQL_VARYING, static_cast<unsigned>(n == 0 ? 1 : n), 0, 0, kCharsetDynamic};
        }
    }
}

}  // namespace

bool InputLayout::fits(const std::vector<ParamShape>& shapes) const {
    if (!metadata_ || shapes.size() != shapes_.size()) return false;
    for (size_t i = 0; i < shapes.size(); ++i) {
        if (!sameType(shapes[i], shapes_[i])) return false;
        if (shapes[i].length > shapes_[i].length) return false;
        if (shapes[i].type != SQL_VARYING && shapes[i].length != shapes_[i].length) return false;
    }
    return true;
}

std::vector<ParamShape> InputLayout::widened(std::vector<ParamShape> shapes) const {
    if (shapes.size() != shapes_.size()) return shapes;
    for (size_t i = 0; i < shapes.size(); ++i) {
        if (shapes[i].type == SQL_VARYING && sameType(shapes[i], shapes_[i]))
            shapes[i].length = std::max(shapes[i].length, shapes_[i].length);
    }
    return shapes;
}

void InputLayout::keep(std::vector<ParamShape> shapes,
                       RefPtr<Firebird::IMessageMetadata> metadata) {
    shapes_ = std::move(shapes);
    metadata_ = std::move(metadata);
}

InputMessage::InputMessage(Session& session, Firebird::ITransaction* transaction,
                           const std::vector<BoundParam>& params, InputLayout* layout) {
    if (params.empty()) return;
    const Api& api = session.api();
    Firebird::IUtil* util = api.util();
    session.guarded([&](Firebird::ThrowStatusWrapper* st) {
        const auto count = static_cast<unsigned>(params.size());
        std::vector<Shape> shapes;
        shapes.reserve(count);
        for (unsigned i = 0; i < count; ++i) shapes.push_back(shapeOf(params[i]));
        if (layout && layout->fits(shapes)) {
            shapes = layout->shapes();
            metadata_ = RefPtr<Firebird::IMessageMetadata>::share(layout->metadata());
        } else if (layout) {
            std::vector<Shape> wide = layout->widened(shapes);
            auto metadata = buildMetadata(api, st, wide);
            if (!sameLayout(wide, shapes) && metadata->getMessageLength(st) > kKeptMessageLimit) {
                metadata = buildMetadata(api, st, shapes);
                wide = shapes;
            }
            shapes = wide;
            metadata_ = RefPtr<Firebird::IMessageMetadata>::share(metadata.get());
            layout->keep(std::move(wide), std::move(metadata));
        } else {
            metadata_ = buildMetadata(api, st, shapes);
        }
        buffer_.assign(metadata_->getMessageLength(st), 0);
        for (unsigned i = 0; i < count; ++i) {
            unsigned char* nullPtr = buffer_.data() + metadata_->getNullOffset(st, i);
            unsigned char* p = buffer_.data() + metadata_->getOffset(st, i);
            const Value& v = params[i].value;
            store<short>(nullPtr, v.isNull() ? -1 : 0);
            if (v.isNull()) continue;
            switch (v.kind()) {
                case ValueKind::SmallInt:
                    store<int16_t>(p, static_cast<int16_t>(v.asInt64()));
                    break;
                case ValueKind::Integer:
                    store<int32_t>(p, static_cast<int32_t>(v.asInt64()));
                    break;
                case ValueKind::BigInt:
                    store<int64_t>(p, v.asInt64());
                    break;
                case ValueKind::Double:
                    store<double>(p, v.asDouble());
                    break;
                case ValueKind::Decimal:
                    store<int64_t>(p, v.asDecimal().unscaled);
                    break;
                case ValueKind::Date: {
                    const Date& d = v.asDate();
                    store<ISC_DATE>(p, util->encodeDate(d.year, d.month, d.day));
                    break;
                }
                case ValueKind::Time: {
                    const Time& t = v.asTime();
                    store<ISC_TIME>(p, util->encodeTime(t.hour, t.minute, t.second, t.fraction));
                    break;
                }
                case ValueKind::Timestamp: {
                    const Timestamp& ts = v.asTimestamp();
                    ISC_TIMESTAMP x;
                    x.timestamp_date = util->encodeDate(ts.date.year, ts.date.month, ts.date.day);
                    x.timestamp_time = util->encodeTime(ts.time.hour, ts.time.minute,
                                                        ts.time.second, ts.time.fraction);
                    store(p, x);
                    break;
                }
                case ValueKind::Text: {
                    const std::string& text = v.asText();
                    if (shapes[i].type == SQL_VARYING) {
                        store<unsigned short>(p, static_cast<unsigned short>(text.size()));
                        std::memcpy(p + 2, text.data(), text.size());
                    } else {
                        ISC_QUAD id{};
                        RefPtr<Firebird::IBlob> blob(
                            session.attachment()->createBlob(st, transaction, &id, 0, nullptr));
                        for (std::size_t at = 0; at < text.size(); at += kMaxVarying) {
                            const std::size_t n = std::min(kMaxVarying, text.size() - at);
                            blob->putSegment(st, static_cast<unsigned>(n), text.data() + at);
                        }
                        blob.finish([&](Firebird::IBlob* b) { b->close(st); });
                        store(p, id);
                    }
                    break;
                }
                case ValueKind::Null:
                    break;
            }
        }
    });
}

}  // namespace db::firebird
