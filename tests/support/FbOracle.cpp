#include "tests/support/FbOracle.h"

#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace testsupport::fb {

namespace {

template <typename T>
class Disposable {
  public:
    explicit Disposable(T* p) : p_(p) {}
    ~Disposable() {
        if (p_) p_->dispose();
    }
    Disposable(const Disposable&) = delete;
    Disposable& operator=(const Disposable&) = delete;
    T* operator->() const { return p_; }
    T* get() const { return p_; }

  private:
    T* p_;
};

template <typename T>
T load(const unsigned char* p) {
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

std::string formatted(Firebird::IStatus* status) {
    char buffer[4096];
    master()->getUtilInterface()->formatStatus(buffer, sizeof buffer, status);
    std::string text(buffer);
    while (!text.empty() && text.back() == '\n') text.pop_back();
    return text;
}

std::vector<uint8_t> tpb(bool readOnly) {
    std::vector<uint8_t> v{isc_tpb_version3, isc_tpb_read_committed, isc_tpb_rec_version,
                           isc_tpb_wait};
    v.push_back(readOnly ? isc_tpb_read : isc_tpb_write);
    return v;
}

std::string decimalText(int64_t unscaled, int scale) {
    if (scale >= 0) return std::to_string(unscaled);
    const bool negative = unscaled < 0;
    // Work on the magnitude as unsigned to cope with INT64_MIN.
    uint64_t magnitude =
        negative ? 0 - static_cast<uint64_t>(unscaled) : static_cast<uint64_t>(unscaled);
    std::string digits = std::to_string(magnitude);
    const auto places = static_cast<std::size_t>(-scale);
    if (digits.size() <= places) digits.insert(0, places - digits.size() + 1, '0');
    std::string intPart = digits.substr(0, digits.size() - places);
    std::string frac = digits.substr(digits.size() - places);
    while (!frac.empty() && frac.back() == '0') frac.pop_back();
    std::string text = intPart + (frac.empty() ? "" : "." + frac);
    return negative && text != "0" ? "-" + text : text;
}

std::string two(unsigned v) {
    char b[16];
    std::snprintf(b, sizeof b, "%02u", v);
    return b;
}

std::string dateText(ISC_DATE d) {
    unsigned y, m, day;
    master()->getUtilInterface()->decodeDate(d, &y, &m, &day);
    char b[32];
    std::snprintf(b, sizeof b, "%04u/%02u/%02u", y, m, day);
    return b;
}

std::string timeText(ISC_TIME t) {
    unsigned h, n, s, f;
    master()->getUtilInterface()->decodeTime(t, &h, &n, &s, &f);
    std::string text = two(h) + ":" + two(n) + ":" + two(s);
    if (f != 0) {
        char b[16];
        std::snprintf(b, sizeof b, ".%04u", f);
        text += b;
    }
    return text;
}

std::string trimRight(std::string s) {
    const auto end = s.find_last_not_of(' ');
    s.resize(end == std::string::npos ? 0 : end + 1);
    return s;
}

}  // namespace

Firebird::IMaster* master() {
    static Firebird::IMaster* m = Firebird::fb_get_master_interface();
    return m;
}

void run(const std::string& context,
         const std::function<void(Firebird::ThrowStatusWrapper*)>& call) {
    Disposable<Firebird::IStatus> status(master()->getStatus());
    Firebird::ThrowStatusWrapper wrapper(status.get());
    try {
        call(&wrapper);
    } catch (const Firebird::FbException& e) {
        throw std::runtime_error(context + ": " + formatted(e.getStatus()));
    }
}

namespace {

Ref<Firebird::IAttachment> open(const std::string& database, const AttachOptions& o,
                                bool creating) {
    Ref<Firebird::IAttachment> att;
    run((creating ? "create " : "attach ") + database, [&](Firebird::ThrowStatusWrapper* st) {
        Firebird::IUtil* util = master()->getUtilInterface();
        Disposable<Firebird::IXpbBuilder> dpb(
            util->getXpbBuilder(st, Firebird::IXpbBuilder::DPB, nullptr, 0));
        dpb->insertString(st, isc_dpb_user_name, o.user.c_str());
        dpb->insertString(st, isc_dpb_password, o.password.c_str());
        dpb->insertString(st, isc_dpb_lc_ctype, o.charset.c_str());
        dpb->insertInt(st, isc_dpb_sql_dialect, 3);
        Ref<Firebird::IProvider> provider(master()->getDispatcher());
        if (creating) {
            dpb->insertString(st, isc_dpb_set_db_charset, "UTF8");
            dpb->insertInt(st, isc_dpb_page_size, 8192);
            dpb->insertInt(st, isc_dpb_force_write, o.forceWrites ? 1 : 0);
            att = Ref<Firebird::IAttachment>(provider->createDatabase(
                st, database.c_str(), dpb->getBufferLength(st), dpb->getBuffer(st)));
        } else {
            if (o.forceWrites) dpb->insertInt(st, isc_dpb_force_write, 1);
            att = Ref<Firebird::IAttachment>(provider->attachDatabase(
                st, database.c_str(), dpb->getBufferLength(st), dpb->getBuffer(st)));
        }
    });
    return att;
}

}  // namespace

Ref<Firebird::IAttachment> attach(const std::string& database, const AttachOptions& o) {
    return open(database, o, false);
}

Ref<Firebird::IAttachment> create(const std::string& path, const AttachOptions& o) {
    return open(path, o, true);
}

void detach(Ref<Firebird::IAttachment>& attachment) {
    try {
        run("detach", [&](Firebird::ThrowStatusWrapper* st) {
            attachment.finish([&](Firebird::IAttachment* a) { a->detach(st); });
        });
    } catch (...) {
        attachment.reset();
        throw;
    }
}

bool forcedWritesOn(Firebird::IAttachment* attachment) {
    const unsigned char items[] = {isc_info_forced_writes, isc_info_end};
    unsigned char answer[32] = {};
    run("database info", [&](Firebird::ThrowStatusWrapper* st) {
        attachment->getInfo(st, sizeof items, items, sizeof answer, answer);
    });
    if (answer[0] != isc_info_forced_writes) return false;
    const int length = answer[1] | (answer[2] << 8);
    int value = 0;
    for (int i = 0; i < length && i < 4; ++i) value |= answer[3 + i] << (8 * i);
    return value != 0;
}

void execute(Firebird::IAttachment* attachment, const std::string& sql) {
    run(sql, [&](Firebird::ThrowStatusWrapper* st) {
        const auto t = tpb(false);
        Ref<Firebird::ITransaction> tra(
            attachment->startTransaction(st, static_cast<unsigned>(t.size()), t.data()));
        attachment->execute(st, tra.get(), 0, sql.c_str(), 3, nullptr, nullptr, nullptr, nullptr);
        tra.finish([&](Firebird::ITransaction* x) { x->commit(st); });
    });
}

std::vector<std::vector<std::string>> query(Firebird::IAttachment* attachment,
                                            const std::string& sql) {
    std::vector<std::vector<std::string>> rows;
    run(sql, [&](Firebird::ThrowStatusWrapper* st) {
        Firebird::IUtil* util = master()->getUtilInterface();
        const auto t = tpb(true);
        Ref<Firebird::ITransaction> tra(
            attachment->startTransaction(st, static_cast<unsigned>(t.size()), t.data()));
        Ref<Firebird::IStatement> stmt(attachment->prepare(
            st, tra.get(), 0, sql.c_str(), 3, Firebird::IStatement::PREPARE_PREFETCH_METADATA));
        Ref<Firebird::IMessageMetadata> meta(stmt->getOutputMetadata(st));
        Ref<Firebird::IResultSet> rs(
            stmt->openCursor(st, tra.get(), nullptr, nullptr, meta.get(), 0));
        const unsigned count = meta->getCount(st);
        std::vector<unsigned char> buffer(meta->getMessageLength(st));
        while (rs->fetchNext(st, buffer.data()) == Firebird::IStatus::RESULT_OK) {
            std::vector<std::string> row;
            for (unsigned i = 0; i < count; ++i) {
                const unsigned char* p = buffer.data() + meta->getOffset(st, i);
                if (load<short>(buffer.data() + meta->getNullOffset(st, i))) {
                    row.emplace_back("<null>");
                    continue;
                }
                const int scale = meta->getScale(st, i);
                switch (meta->getType(st, i) & ~1u) {
                    case SQL_SHORT:
                        row.push_back(decimalText(load<int16_t>(p), scale));
                        break;
                    case SQL_LONG:
                        row.push_back(decimalText(load<int32_t>(p), scale));
                        break;
                    case SQL_INT64:
                        row.push_back(decimalText(load<int64_t>(p), scale));
                        break;
                    case SQL_FLOAT:
                    case SQL_DOUBLE:
                    case SQL_D_FLOAT: {
                        const double d = (meta->getType(st, i) & ~1u) == SQL_FLOAT
                                             ? load<float>(p)
                                             : load<double>(p);
                        char b[64];
                        std::snprintf(b, sizeof b, "%.15g", d);
                        row.emplace_back(b);
                        break;
                    }
                    case SQL_TYPE_DATE:
                        row.push_back(dateText(load<ISC_DATE>(p)));
                        break;
                    case SQL_TYPE_TIME:
                        row.push_back(timeText(load<ISC_TIME>(p)));
                        break;
                    case SQL_TIMESTAMP: {
                        const auto ts = load<ISC_TIMESTAMP>(p);
                        std::string text = dateText(ts.timestamp_date);
                        if (ts.timestamp_time != 0) text += " " + timeText(ts.timestamp_time);
                        row.push_back(text);
                        break;
                    }
                    case SQL_TEXT:
                        row.push_back(trimRight(
                            std::string(reinterpret_cast<const char*>(p), meta->getLength(st, i))));
                        break;
                    case SQL_VARYING:
                        row.emplace_back(reinterpret_cast<const char*>(p) + 2,
                                         load<unsigned short>(p));
                        break;
                    case SQL_BOOLEAN:
                        row.emplace_back(*p ? "1" : "0");
                        break;
                    case SQL_BLOB: {
                        ISC_QUAD id = load<ISC_QUAD>(p);
                        Ref<Firebird::IBlob> blob(
                            attachment->openBlob(st, tra.get(), &id, 0, nullptr));
                        std::string data;
                        char chunk[16384];
                        for (;;) {
                            unsigned got = 0;
                            const int rc = blob->getSegment(st, sizeof chunk, chunk, &got);
                            if (rc != Firebird::IStatus::RESULT_OK &&
                                rc != Firebird::IStatus::RESULT_SEGMENT)
                                break;
                            data.append(chunk, got);
                        }
                        blob.finish([&](Firebird::IBlob* b) { b->close(st); });
                        row.push_back(std::move(data));
                        break;
                    }
                    default:
                        row.emplace_back("<unsupported>");
                        break;
                }
            }
            rows.push_back(std::move(row));
        }
        rs.finish([&](Firebird::IResultSet* r) { r->close(st); });
        stmt.finish([&](Firebird::IStatement* s) { s->free(st); });
        tra.finish([&](Firebird::ITransaction* x) { x->commit(st); });
        (void)util;
    });
    return rows;
}

}  // namespace testsupport::fb
