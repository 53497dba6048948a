#include "engine/FormData.h"

namespace engine {

FormData::FormData(const db::RegistryFiles& files)
    : SQLCon_Source("SQLCon_Source", kHeadquartersConnection, files),
      SQLCon_Target("SQLCon_Target", kBranchConnection, files),
      SQLConnection2("SQLConnection2", kBranchConnection, files),
      CDS_Source1("CDS_Source1", &SQLCon_Source),
      CDS_T1("CDS_T1", &SQLCon_Target),
      CDS_Source2("CDS_Source2", &SQLCon_Source),
      CDS_ReadM("CDS_ReadM", &SQLCon_Source),
      CDS_ReadS("CDS_ReadS", &SQLCon_Source),
      SQL_TQuery("SQL_TQuery", SQLCon_Target),
      SQL_SubDet("SQL_SubDet", SQLCon_Target),
      SQL_Master("SQL_Master", SQLConnection2),
      SQL_Sub("SQL_Sub", SQLConnection2) {}

void FormData::endImplicitTransactions() {
    for (db::SQLConnection* c : {&SQLCon_Source, &SQLCon_Target, &SQLConnection2}) {
        try {
            c->endImplicitTransaction();
        } catch (...) {
            // Everything the implicit transaction ran is committed already; a failure
            // to end it leaves nothing undone.
        }
    }
}

void FormData::releasePreparedStatements() noexcept {
    for (db::SQLConnection* c : {&SQLCon_Source, &SQLCon_Target, &SQLConnection2})
        c->releaseCachedStatements();
}

void FormData::verifyLinks() {
    for (db::SQLConnection* c : {&SQLCon_Source, &SQLCon_Target, &SQLConnection2}) c->verifyLink();
}

void FormData::setConnectingHook(const std::function<void(bool)>& hook) {
    for (db::SQLConnection* c : {&SQLCon_Source, &SQLCon_Target, &SQLConnection2}) {
        c->setConnectingHook(hook);
    }
}

}  // namespace engine
