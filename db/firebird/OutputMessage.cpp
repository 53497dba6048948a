#include "db/firebird/OutputMessage.h"

#include <cstring>

#include "db/firebird/Charsets.h"
#include "db/firebird/Session.h"
#include "db/firebird/Status.h"

namespace db::firebird {

namespace {

template <typename T>
T load(const unsigned char* p) {
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

FieldType fieldType(unsigned type, int subType, int scale) {
    switch (type) {
        case SQL_SHORT:
            return scale < 0 ? FieldType::Decimal : FieldType::SmallInt;
        case SQL_LONG:
            return scale < 0 ? FieldType::Decimal : FieldType::Integer;
        case SQL_INT64:
            return scale < 0 ? FieldType::Decimal : FieldType::BigInt;
        case SQL_FLOAT:
        case SQL_DOUBLE:
        case SQL_D_FLOAT:
            return FieldType::Double;
        case SQL_TYPE_DATE:
            return FieldType::Date;
        case SQL_TYPE_TIME:
            return FieldType::Time;
        case SQL_TIMESTAMP:
            return FieldType::Timestamp;
        case SQL_TEXT:
            return FieldType::FixedChar;
        case SQL_VARYING:
            return FieldType::VarChar;
        case SQL_BLOB:
            return subType == 1 ? FieldType::TextBlob : FieldType::BinaryBlob;
        case SQL_BOOLEAN:
            return FieldType::Boolean;
        case SQL_ARRAY:
            return FieldType::BinaryBlob;
        default:
            return FieldType::VarChar;  // SQL_NULL: a bare NULL in the select list
    }
}

std::string trimTrailingBlanks(std::string s) {
    const auto end = s.find_last_not_of(' ');
    s.resize(end == std::string::npos ? 0 : end + 1);
    return s;
}

}  // namespace

OutputLayout::OutputLayout(Session& session, Firebird::IMessageMetadata* metadata)
    : metadata_(RefPtr<Firebird::IMessageMetadata>::share(metadata)) {
    std::vector<std::pair<std::string, std::string>> sources;  // relation, field
    session.guarded([&](Firebird::ThrowStatusWrapper* st) {
        length_ = metadata->getMessageLength(st);
        const unsigned count = metadata->getCount(st);
        for (unsigned i = 0; i < count; ++i) {
            Slot s;
            s.type = metadata->getType(st, i) & ~1u;
            s.subType = metadata->getSubType(st, i);
            s.scale = metadata->getScale(st, i);
            s.length = metadata->getLength(st, i);
            s.charset = metadata->getCharSet(st, i);
            s.offset = metadata->getOffset(st, i);
            s.nullOffset = metadata->getNullOffset(st, i);

            ColumnInfo c;
            c.name = metadata->getAlias(st, i);
            c.relation = metadata->getRelation(st, i);
            c.type = fieldType(s.type, s.subType, s.scale);
            c.byteLength = static_cast<int>(s.length);
            if (s.type == SQL_TEXT || s.type == SQL_VARYING)
                c.size = static_cast<int>(s.length) / maxBytesPerChar(s.charset);
            else
                c.size = static_cast<int>(s.length);
            c.scale = c.type == FieldType::Decimal ? s.scale : 0;
            c.nullable = metadata->isNullable(st, i);
            sources.emplace_back(c.relation, metadata->getField(st, i));
            columns_.push_back(std::move(c));
            slots_.push_back(s);
        }
    });
    for (std::size_t i = 0; i < columns_.size(); ++i) {
        const auto& [relation, field] = sources[i];
        columns_[i].readOnly =
            relation.empty() || field.empty() || session.isComputed(relation, field);
        columns_[i].primaryKey =
            !relation.empty() && !field.empty() && session.isPrimaryKey(relation, field);
    }
}

void OutputLayout::decode(Session& session, Firebird::ITransaction* transaction,
                          const unsigned char* message, std::vector<Value>& row) const {
    row.clear();
    row.reserve(slots_.size());
    for (std::size_t i = 0; i < slots_.size(); ++i) {
        const Slot& s = slots_[i];
        if (load<short>(message + s.nullOffset) != 0 || s.type == SQL_NULL) {
            row.push_back(Value::null());
            continue;
        }
        row.push_back(decodeSlot(session, transaction, s, columns_[i], message + s.offset));
    }
}

Value OutputLayout::decodeSlot(Session& session, Firebird::ITransaction* transaction, const Slot& s,
                               const ColumnInfo& column, const unsigned char* p) const {
    Firebird::IUtil* util = session.api().util();
    switch (s.type) {
        case SQL_SHORT:
            if (s.scale < 0) return Value::decimal({load<int16_t>(p), s.scale});
            return Value::smallInt(load<int16_t>(p));
        case SQL_LONG:
            if (s.scale < 0) return Value::decimal({load<int32_t>(p), s.scale});
            return Value::integer(load<int32_t>(p));
        case SQL_INT64:
            if (s.scale < 0) return Value::decimal({load<int64_t>(p), s.scale});
            return Value::bigInt(load<int64_t>(p));
        case SQL_FLOAT:
            return Value::real(load<float>(p));
        case SQL_DOUBLE:
        case SQL_D_FLOAT:
            return Value::real(load<double>(p));
        case SQL_BOOLEAN:
            return Value::smallInt(load<unsigned char>(p) ? 1 : 0);
        case SQL_TYPE_DATE: {
            unsigned y, m, d;
            util->decodeDate(load<ISC_DATE>(p), &y, &m, &d);
            return Value::date({int(y), int(m), int(d)});
        }
        case SQL_TYPE_TIME: {
            unsigned h, n, sec, f;
            util->decodeTime(load<ISC_TIME>(p), &h, &n, &sec, &f);
            return Value::time({int(h), int(n), int(sec), int(f)});
        }
        case SQL_TIMESTAMP: {
            const auto ts = load<ISC_TIMESTAMP>(p);
            unsigned y, m, d, h, n, sec, f;
            util->decodeDate(ts.timestamp_date, &y, &m, &d);
            util->decodeTime(ts.timestamp_time, &h, &n, &sec, &f);
            return Value::timestamp({{int(y), int(m), int(d)}, {int(h), int(n), int(sec), int(f)}});
        }
        case SQL_TEXT: {
            std::string text(reinterpret_cast<const char*>(p), s.length);
            // The message holds bytes: CHAR(6) in UTF8 is 24 of them, padded with
            // blanks; the value is its first 6 characters.
            if (isUtf8(s.charset)) text = utf8Prefix(text, static_cast<std::size_t>(column.size));
            if (session.options().trimChar) text = trimTrailingBlanks(std::move(text));
            return Value::text(std::move(text));
        }
        case SQL_VARYING: {
            const auto len = load<unsigned short>(p);
            return Value::text(std::string(reinterpret_cast<const char*>(p) + 2, len));
        }
        case SQL_BLOB: {
            // Always whole, whatever BlobSize says: a cut value would be written back
            // into the branch as if it were the row's own.
            ISC_QUAD id = load<ISC_QUAD>(p);
            std::string data;
            session.guarded([&](Firebird::ThrowStatusWrapper* st) {
                RefPtr<Firebird::IBlob> blob(
                    session.attachment()->openBlob(st, transaction, &id, 0, nullptr));
                char buffer[32768];
                for (;;) {
                    unsigned got = 0;
                    const int rc = blob->getSegment(st, sizeof buffer, buffer, &got);
                    if (rc != Firebird::IStatus::RESULT_OK &&
                        rc != Firebird::IStatus::RESULT_SEGMENT)
                        break;
                    data.append(buffer, got);
                }
                blob.finish([&](Firebird::IBlob* b) { b->close(st); });
            });
            return Value::text(std::move(data));
        }
        default:
            return Value::null();
    }
}

}  // namespace db::firebird
