#include "engine/RowMirror.h"

#include <string_view>

#include "base/SqlText.h"
#include "db/ConnectionParams.h"
#include "db/Error.h"
#include "engine/ColumnRules.h"

namespace engine {
namespace {

void copyFields(db::ClientDataSet& target, db::ClientDataSet& source, CopyMode copy) {
    for (int i = 0; i < target.fieldCount(); ++i) {
        db::Field& field = target.fields(i);
        const db::Field& from =
            copy == CopyMode::ByPosition ? source.fields(i) : source.fieldByName(field.fieldName());
        field.setValue(from.value());
    }
}

std::string sourceDatabase(RunContext& run) {
    const db::SQLConnection& source = run.data.SQLCon_Source;
    return source.connectionName() + ", database " + db::sectionValue(source.params(), "Database");
}

std::vector<std::string> fieldNames(db::ClientDataSet& dataSet) {
    std::vector<std::string> names;
    for (int i = 0; i < dataSet.fieldCount(); ++i) names.push_back(dataSet.fields(i).fieldName());
    return names;
}

std::vector<std::string> columnNames(const std::vector<db::ColumnInfo>& columns) {
    std::vector<std::string> names;
    for (const db::ColumnInfo& column : columns) names.push_back(column.name);
    return names;
}

bool columnsVerified(const RunContext& run, const MirrorSpec& mirror) {
    return run.columnsVerified.find(std::string_view(mirror.table)) != run.columnsVerified.end();
}

// Before a table's first row of the run: headquarters' rows must be able to fill
// the branch's columns the way the copy takes them. Otherwise nothing of the table
// is written, and the run ends with what is wrong where.
void verifyColumns(RunContext& run, db::ClientDataSet& source, const MirrorSpec& mirror,
                   const std::vector<std::string>& branchColumns) {
    const std::vector<std::string> sourceColumns = fieldNames(source);
    const std::string table = mirror.table;
    if (mirror.copy == CopyMode::ByPosition) {
        if (const auto mismatch = positionMismatch(branchColumns, sourceColumns))
            throw SchemaMismatch("branch " + table + ": " + mismatch->finding);
    } else if (const auto missing = missingByName(branchColumns, sourceColumns); !missing.empty()) {
        throw SchemaMismatch(
            db::withComponentName(source.name(), "Field '" + missing.front() + "' not found") +
            "\nheadquarters' " + table + " (" + sourceDatabase(run) + ") has no column " +
            missing.front() + ", which the branch's " + table + " has");
    }
    run.columnsVerified.insert(table);
}

// Where each column is found in source's rows: by position, or by name.
std::vector<int> sourceFields(db::ClientDataSet& source, const MirrorSpec& mirror,
                              const std::vector<db::ColumnInfo>& columns) {
    std::vector<int> fields;
    fields.reserve(columns.size());
    for (size_t i = 0; i < columns.size(); ++i) {
        fields.push_back(mirror.copy == CopyMode::ByPosition
                             ? static_cast<int>(i)
                             : source.fieldByName(columns[i].name).index());
    }
    return fields;
}

MirrorResult written(RunContext& run) {
    ++run.counts().rowsWritten;
    return MirrorResult::Written;
}

MirrorResult refused(RunContext& run, const MirrorSpec& mirror, const std::string& key,
                     const std::string& note, const std::string& message) {
    ++run.counts().rowsRefused;
    run.log(std::string(mirror.table) + " row '" + key + "' refused" + note + ": " + message);
    return MirrorResult::Refused;
}

}  // namespace

MirrorResult mirrorRow(RunContext& run, db::ClientDataSet& source, const MirrorSpec& mirror,
                       const std::string& refusalNote) {
    db::ClientDataSet& target = run.data.CDS_T1;
    const std::string key = source.fieldByName(mirror.keyField).asString();

    target.close();
    target.setCommandText(mirror.keyedSelectPrefix + base::sqlLiteralBody(key) + "'");
    target.open();
    if (mirror.logKeyedSelect) run.log(target.commandText());
    if (!columnsVerified(run, mirror)) verifyColumns(run, source, mirror, fieldNames(target));

    if (target.fieldByName(mirror.probeField).isNull()) {
        target.insert();
    } else {
        target.edit();
    }
    try {
        copyFields(target, source, mirror.copy);
        target.post();
    } catch (const db::Error& e) {
        // A value the branch's column cannot take: this row is refused, the rest go on.
        if (e.kind() != db::ErrorKind::Refused) throw;
        target.close();
        return refused(run, mirror, key, refusalNote, e.what());
    }

    if (target.applyUpdates(0) == 0) return written(run);
    const auto& errors = target.lastApplyErrors();
    return refused(run, mirror, key, refusalNote,
                   errors.empty() ? "unknown reason" : errors.front());
}

MirrorResult mirrorRowByKey(RunContext& run, db::ClientDataSet& source, const MirrorSpec& mirror,
                            KeyedMirror& target, const std::string& refusalNote) {
    const std::vector<db::ColumnInfo>& columns = target.writer.columns();
    if (!columnsVerified(run, mirror)) verifyColumns(run, source, mirror, columnNames(columns));
    if (target.sourceFields.empty()) target.sourceFields = sourceFields(source, mirror, columns);
    target.values.clear();
    for (const int field : target.sourceFields)
        target.values.push_back(source.fields(field).value());
    try {
        target.writer.write(target.values);
    } catch (const db::Error& e) {
        if (e.kind() != db::ErrorKind::Refused) throw;
        return refused(run, mirror, source.fieldByName(mirror.keyField).asString(), refusalNote,
                       e.what());
    }
    return written(run);
}

}  // namespace engine
