#include "engine/RowMirror.h"

#include "base/SqlText.h"

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

    if (target.applyUpdates(0) == 0) {
        ++run.counts().rowsWritten;
        return MirrorResult::Written;
    }
    ++run.counts().rowsRefused;
    const auto& errors = target.lastApplyErrors();
    run.log(std::string(mirror.table) + " row '" + key + "' refused" + refusalNote + ": " +
            (errors.empty() ? std::string("unknown reason") : errors.front()));
    return MirrorResult::Refused;
}

}  // namespace engine
