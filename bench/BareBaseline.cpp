#include "bench/BareBaseline.h"

#include <memory>
#include <stdexcept>
#include <utility>
#include <vector>

#include "bench/Measure.h"
#include "bench/MessageLayout.h"

namespace bench {

namespace fb = testsupport::fb;

namespace {

// The transactions our driver starts, without the autocommit option.
const unsigned char kTpb[] = {isc_tpb_version3, isc_tpb_write, isc_tpb_read_committed,
                              isc_tpb_rec_version, isc_tpb_wait};

constexpr unsigned kDialect = 3;

std::string quoted(const std::string& name) {
    return "\"" + name + "\"";
}

std::string joined(const std::vector<std::string>& parts, const char* separator) {
    std::string out;
    for (size_t i = 0; i < parts.size(); ++i) {
        if (i) out += separator;
        out += parts[i];
    }
    return out;
}

// Steps of one statement in its own transaction, with the prepare timed apart.
struct OwnTransaction {
    Firebird::IAttachment* attachment;
    Firebird::ThrowStatusWrapper* st;
    double& prepareSeconds;
    fb::Ref<Firebird::ITransaction> transaction;
    fb::Ref<Firebird::IStatement> statement;

    void prepare(const std::string& sql) {
        transaction =
            fb::Ref<Firebird::ITransaction>(attachment->startTransaction(st, sizeof kTpb, kTpb));
        const Stopwatch w;
        statement = fb::Ref<Firebird::IStatement>(
            attachment->prepare(st, transaction.get(), 0, sql.c_str(), kDialect,
                                Firebird::IStatement::PREPARE_PREFETCH_METADATA));
        prepareSeconds += w.seconds();
    }
    void freeAndCommit() {
        statement.finish([&](Firebird::IStatement* s) { s->free(st); });
        transaction.finish([&](Firebird::ITransaction* t) { t->commit(st); });
    }
};

// One result read whole: its layout and rows.
struct Result {
    std::unique_ptr<MessageLayout> layout;
    std::vector<Message> rows;
};

Result runQuery(OwnTransaction& unit, const std::string& sql) {
    unit.prepare(sql);
    Result result;
    fb::Ref<Firebird::IMessageMetadata> meta(unit.statement->getOutputMetadata(unit.st));
    result.layout = std::make_unique<MessageLayout>(meta.get());
    fb::Ref<Firebird::IResultSet> cursor(unit.statement->openCursor(
        unit.st, unit.transaction.get(), nullptr, nullptr, meta.get(), 0));
    Message buffer(result.layout->length());
    while (cursor->fetchNext(unit.st, buffer.data()) == Firebird::IStatus::RESULT_OK) {
        result.rows.push_back(buffer);
    }
    cursor.finish([&](Firebird::IResultSet* r) { r->close(unit.st); });
    unit.freeAndCommit();
    return result;
}

// A parameter's value: a column of a message.
struct ParamSource {
    const ColumnSlot* slot;
    const Message* message;
};

unsigned runWrite(OwnTransaction& unit, const std::string& sql,
                  const std::vector<ParamSource>& params) {
    unit.prepare(sql);
    fb::Ref<Firebird::IMessageMetadata> meta(unit.statement->getInputMetadata(unit.st));
    const MessageLayout input(meta.get());
    if (input.columns().size() != params.size())
        throw std::runtime_error("parameter count: " + sql);
    Message buffer(input.length());
    for (size_t i = 0; i < params.size(); ++i) {
        copyValue(*params[i].slot, *params[i].message, input.columns()[i], buffer);
    }
    unit.statement->execute(unit.st, unit.transaction.get(), meta.get(), buffer.data(), nullptr,
                            nullptr);
    const auto affected = static_cast<unsigned>(unit.statement->getAffectedRecords(unit.st));
    unit.freeAndCommit();
    return affected;
}

}  // namespace

struct BareBaseline::Page {
    Result result;
};

BareBaseline::BareBaseline(const std::string& sourcePath, const std::string& targetPath,
                           const BenchTable& table)
    : table_(table), source_(fb::attach(sourcePath)), target_(fb::attach(targetPath)) {}

BareBaseline::~BareBaseline() {
    try {
        fb::detach(target_);
        fb::detach(source_);
    } catch (...) {
    }
}

void BareBaseline::readPage(long long page, Page& out, PhaseResult& result) {
    const Stopwatch w;
    fb::run("page query", [&](Firebird::ThrowStatusWrapper* st) {
        OwnTransaction unit{source_.get(), st, result.prepareSeconds, {}, {}};
        out.result = runQuery(unit, table_.pageStatement(page));
    });
    result.pageSeconds += w.seconds();
}

void BareBaseline::mirrorRow(const Page& page, size_t row, PhaseResult& result) {
    const MessageLayout& sourceLayout = *page.result.layout;
    const Message& sourceRow = page.result.rows[row];
    const std::string key =
        textValue(sourceLayout.columns()[sourceLayout.columnIndex(table_.keyColumn)], sourceRow);

    Result found;
    Stopwatch keyed;
    fb::run("keyed select", [&](Firebird::ThrowStatusWrapper* st) {
        OwnTransaction unit{target_.get(), st, result.prepareSeconds, {}, {}};
        found = runQuery(unit, table_.keyedSelectPrefix + key + "'");
    });
    result.keyedSeconds += keyed.seconds();

    const MessageLayout& targetLayout = *found.layout;
    const auto& columns = targetLayout.columns();
    if (sourceLayout.columns().size() < columns.size()) {
        throw std::runtime_error(std::string("source has fewer columns than the branch: ") +
                                 table_.name);
    }
    std::string sql;
    std::vector<ParamSource> params;
    if (found.rows.empty()) {
        std::vector<std::string> names, markers;
        for (size_t i = 0; i < columns.size(); ++i) {
            names.push_back(quoted(columns[i].name));
            markers.push_back("?");
            params.push_back({&sourceLayout.columns()[i], &sourceRow});
        }
        sql = "INSERT INTO " + quoted(table_.name) + " (" + joined(names, ", ") + ") VALUES (" +
              joined(markers, ", ") + ")";
    } else {
        const Message& oldRow = found.rows.front();
        std::vector<std::string> sets, conditions;
        std::vector<ParamSource> located;
        for (size_t i = 0; i < columns.size(); ++i) {
            if (!sameValue(sourceLayout.columns()[i], sourceRow, columns[i], oldRow)) {
                sets.push_back(quoted(columns[i].name) + " = ?");
                params.push_back({&sourceLayout.columns()[i], &sourceRow});
            }
            if (isNull(columns[i], oldRow)) {
                conditions.push_back(quoted(columns[i].name) + " IS NULL");
            } else {
                conditions.push_back(quoted(columns[i].name) + " = ?");
                located.push_back({&columns[i], &oldRow});
            }
        }
        if (sets.empty()) return;  // the branch has the row as it is
        params.insert(params.end(), located.begin(), located.end());
        sql = "UPDATE " + quoted(table_.name) + " SET " + joined(sets, ", ") + " WHERE " +
              joined(conditions, " AND ");
    }

    const Stopwatch write;
    unsigned affected = 0;
    fb::run("write", [&](Firebird::ThrowStatusWrapper* st) {
        OwnTransaction unit{target_.get(), st, result.prepareSeconds, {}, {}};
        affected = runWrite(unit, sql, params);
    });
    result.writeSeconds += write.seconds();
    ++result.writes;
    if (affected != 1) throw std::runtime_error("the branch did not take the row " + key);
}

PhaseResult BareBaseline::download() {
    PhaseResult result;
    const Stopwatch total;
    for (long long n = 0; n < table_.pageBound; ++n) {
        Page page;
        readPage(n, page, result);
        if (page.result.rows.empty()) break;
        for (size_t i = 0; i < page.result.rows.size(); ++i) {
            mirrorRow(page, i, result);
            ++result.rows;
        }
    }
    result.seconds = total.seconds();
    return result;
}

}  // namespace bench
