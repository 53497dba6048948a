#include "bench/PhysicalLimit.h"

#include <stdexcept>
#include <utility>
#include <vector>

#include "bench/Measure.h"

namespace bench {

namespace fb = testsupport::fb;

namespace {

const unsigned char kReadTpb[] = {isc_tpb_version3, isc_tpb_write, isc_tpb_concurrency,
                                  isc_tpb_wait};
const unsigned char kWriteTpb[] = {isc_tpb_version3, isc_tpb_write, isc_tpb_read_committed,
                                   isc_tpb_rec_version, isc_tpb_wait};
constexpr unsigned kDialect = 3;

// INSERT INTO "T" VALUES (?, ?, ...) with one marker per column of the message.
std::string insertText(const std::string& table, unsigned columns) {
    std::string sql = "INSERT INTO \"" + table + "\" VALUES (";
    for (unsigned i = 0; i < columns; ++i) sql += i ? ", ?" : "?";
    return sql + ")";
}

}  // namespace

PhysicalLimit::PhysicalLimit(const std::string& source, const std::string& target,
                             std::string table)
    : table_(std::move(table)), source_(fb::attach(source)), target_(fb::attach(target)) {}

PhysicalLimit::~PhysicalLimit() {
    try {
        fb::detach(target_);
        fb::detach(source_);
    } catch (...) {
    }
}

PhaseResult PhysicalLimit::download(const std::string& query, const std::string& afterwards,
                                    const std::string& write) {
    PhaseResult result;
    const Stopwatch total;
    fb::run("physical limit", [&](Firebird::ThrowStatusWrapper* st) {
        fb::Ref<Firebird::ITransaction> read(
            source_->startTransaction(st, sizeof kReadTpb, kReadTpb));
        fb::Ref<Firebird::ITransaction> branch(
            target_->startTransaction(st, sizeof kWriteTpb, kWriteTpb));

        Stopwatch prepare;
        fb::Ref<Firebird::IStatement> select(
            source_->prepare(st, read.get(), 0, query.c_str(), kDialect,
                             Firebird::IStatement::PREPARE_PREFETCH_METADATA));
        fb::Ref<Firebird::IMessageMetadata> row(select->getOutputMetadata(st));
        const std::string writeText = write.empty() ? insertText(table_, row->getCount(st)) : write;
        fb::Ref<Firebird::IStatement> insert(
            target_->prepare(st, branch.get(), 0, writeText.c_str(), kDialect,
                             Firebird::IStatement::PREPARE_PREFETCH_METADATA));
        result.prepareSeconds = prepare.seconds();

        std::vector<unsigned char> buffer(row->getMessageLength(st));
        Stopwatch cursorTime;
        fb::Ref<Firebird::IResultSet> cursor(
            select->openCursor(st, read.get(), nullptr, nullptr, row.get(), 0));
        result.pageSeconds += cursorTime.seconds();
        for (;;) {
            const Stopwatch fetch;
            const int got = cursor->fetchNext(st, buffer.data());
            result.pageSeconds += fetch.seconds();
            if (got != Firebird::IStatus::RESULT_OK) break;
            const Stopwatch one;
            // The fetched message goes in as the INSERT's parameters: both sides
            // have the table's columns in the same order and types.
            insert->execute(st, branch.get(), row.get(), buffer.data(), nullptr, nullptr);
            result.writeSeconds += one.seconds();
            ++result.rows;
        }
        cursor.finish([&](Firebird::IResultSet* r) { r->close(st); });
        const Stopwatch commit;
        insert.finish([&](Firebird::IStatement* s) { s->free(st); });
        branch.finish([&](Firebird::ITransaction* t) { t->commit(st); });
        result.commitSeconds = commit.seconds();
        select.finish([&](Firebird::IStatement* s) { s->free(st); });
        if (!afterwards.empty())
            source_->execute(st, read.get(), 0, afterwards.c_str(), kDialect, nullptr, nullptr,
                             nullptr, nullptr);
        read.finish([&](Firebird::ITransaction* t) { t->commit(st); });
    });
    result.writes = result.rows;
    result.seconds = total.seconds();
    return result;
}

}  // namespace bench
