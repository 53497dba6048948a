#include "engine/RowMirror.h"

#include "base/SqlText.h"
#include "db/Error.h"

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

    if (target.fieldByName(mirror.probeField).isNull()) {
        target.insert();
    } else {
        target.edit();
    }
    copyFields(target, source, mirror.copy);
    target.post();

    if (target.applyUpdates(0) == 0) return written(run);
    const auto& errors = target.lastApplyErrors();
    return refused(run, mirror, key, refusalNote, errors.empty() ? "unknown reason" : errors.front());
}

MirrorResult mirrorRowByKey(RunContext& run, db::ClientDataSet& source, const MirrorSpec& mirror,
                            db::KeyedRowWriter& writer, const std::string& refusalNote) {
    const std::vector<db::ColumnInfo>& columns = writer.columns();
    std::vector<db::Value> values;
    values.reserve(columns.size());
    for (size_t i = 0; i < columns.size(); ++i) {
        const db::Field& from = mirror.copy == CopyMode::ByPosition ? source.fields(static_cast<int>(i))
                                                                   : source.fieldByName(columns[i].name);
        values.push_back(from.value());
    }
    try {
        writer.write(values);
    } catch (const db::Error& e) {
        if (e.kind() != db::ErrorKind::Refused) throw;
        return refused(run, mirror, source.fieldByName(mirror.keyField).asString(), refusalNote, e.what());
    }
    return written(run);
}

}  // namespace engine
