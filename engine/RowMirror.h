#pragma once

#include <string>
#include <vector>

#include "db/ClientDataSet.h"
#include "db/KeyedRowWriter.h"
#include "engine/RunContext.h"

namespace engine {

// How one use mirrors source rows into a target table.
struct MirrorSpec {
    const char* table;              // the target table, named in the refusal log line
    const char* keyedSelectPrefix;  // ends in "= '": the key value and "'" follow
    const char* keyField;           // read as text from the source row
    const char* probeField;         // null on the target means "no such row"
    CopyMode copy;
    bool logKeyedSelect;
};

enum class MirrorResult { Written, Refused };

// Leaves the target holding the current row of source: looks it up by key on
// CDS_T1, inserts it when the probe field is null and edits the first found row
// otherwise, then writes it back. A row the target refuses, or one with a value its
// column cannot take, is passed over with one log line naming the table, the key,
// refusalNote (e.g. " and stays queued") and the database's or the conversion's
// message. Does not move source. Throws for anything else (a failed
// link, a missing field, a rejected keyed SELECT, a source row with fewer fields
// than the target when copying by position).
MirrorResult mirrorRow(RunContext& run, db::ClientDataSet& source, const MirrorSpec& mirror,
                       const std::string& refusalNote = "");

// The bulk path's writer of one table for one scan: the keyed writer, and where
// each of the table's columns is found in the scan's rows, resolved on its first
// row (every row of one scan has the same fields). The connection must outlive it.
struct KeyedMirror {
    KeyedMirror(db::SQLConnection& connection, const MirrorSpec& mirror)
        : writer(connection, mirror.table, mirror.keyField) {}

    db::KeyedRowWriter writer;
    std::vector<int> sourceFields = {};  // per column of the table; empty until resolved
    std::vector<db::Value> values = {};  // the row being written, kept for its capacity
};

// The bulk path's mirroring: writes the current row of source whole by its key
// through target (a row of that table inserted or overwritten, no keyed SELECT),
// its columns taken from source as mirrorRow takes them. A row the branch refuses
// is passed over with mirrorRow's log line; anything else is thrown.
MirrorResult mirrorRowByKey(RunContext& run, db::ClientDataSet& source, const MirrorSpec& mirror,
                            KeyedMirror& target, const std::string& refusalNote = "");

}  // namespace engine
