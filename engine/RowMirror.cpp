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

void mirrorRow(RunContext& run, db::ClientDataSet& source, const MirrorSpec& spec) {
    db::ClientDataSet& target = run.data.CDS_T1;
    const std::string key = source.fieldByName(spec.keyField).asString();

    target.close();
    target.setCommandText(spec.keyedSelectPrefix + base::sqlLiteralBody(key) + "'");
    target.open();
    if (spec.logKeyedSelect) run.log(target.commandText());

    if (target.fieldByName(spec.probeField).isNull()) {
        target.insert();
    } else {
        target.edit();
    }
    copyFields(target, source, spec.copy);
    target.post();

    if (target.applyUpdates(0) > 0) {
        const auto& errors = target.lastApplyErrors();
        run.log(std::string(spec.table) + " row '" + key + "' refused: " +
                (errors.empty() ? std::string("unknown reason") : errors.front()));
    }
}

}  // namespace engine
