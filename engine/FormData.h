#pragma once

#include <memory>

#include "db/ClientDataSet.h"
#include "db/SQLConnection.h"
#include "db/SQLQuery.h"

namespace engine {

// The connection names the connections file must hold a section for.
inline constexpr const char* kHeadquartersConnection = "Dravonel";
inline constexpr const char* kBranchConnection = "Corvane";

// The named connections, datasets and statements of the main window, owned
// together. Connections are declared first so that they outlive the datasets and
// statements on them.
struct FormData {
    explicit FormData(const db::RegistryFiles& files);

    db::SQLConnection SQLCon_Source;   // headquarters
    db::SQLConnection SQLCon_Target;   // the branch
    db::SQLConnection SQLConnection2;  // the branch again, for the bill copy's transactions

    db::ClientDataSet CDS_Source1;  // source reads and pages
    db::ClientDataSet CDS_T1;       // target lookups and writes
    db::ClientDataSet CDS_Source2;  // wait-queue statements and reads
    db::ClientDataSet CDS_ReadM;    // pages of bill masters
    db::ClientDataSet CDS_ReadS;    // the lines of the current bill

    db::SQLQuery SQL_TQuery;  // target statements built as text
    db::SQLQuery SQL_SubDet;  // the price-change update
    db::SQLQuery SQL_Master;  // bill master insert (SQLConnection2)
    db::SQLQuery SQL_Sub;     // bill line insert (SQLConnection2)

    // Ends the implicit transactions of the three connections (at the end of a run).
    void endImplicitTransactions();
    // Frees the statements the three connections prepared once for the run (at the
    // end of a run), so that the next run prepares them against the branch as it is.
    void releasePreparedStatements() noexcept;
    // Closes every open connection whose link no longer answers (at the start of a
    // run), so that the run connects again instead of failing on a dead link.
    void verifyLinks();
    // Shows the busy cursor through hook while any connection connects.
    void setConnectingHook(const std::function<void(bool)>& hook);
};

}  // namespace engine
