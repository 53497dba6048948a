#include "db/firebird/TableFacts.h"

#include <cstring>
#include <vector>

#include "base/SqlText.h"
#include "db/firebird/Session.h"

namespace db::firebird {
namespace {

std::string sqlLiteral(const std::string& s) {
    return "'" + base::sqlLiteralBody(s) + "'";
}

}  // namespace

bool TableFactsCache::isComputed(Session& session, const std::string& relation,
                                 const std::string& field) {
    return factsOf(session, relation).computed.count(field) != 0;
}

bool TableFactsCache::isPrimaryKey(Session& session, const std::string& relation,
                                   const std::string& field) {
    return factsOf(session, relation).primaryKey.count(field) != 0;
}

const TableFactsCache::Facts& TableFactsCache::factsOf(Session& session,
                                                       const std::string& relation) {
    auto it = tables_.find(relation);
    if (it == tables_.end()) {
        Facts facts;
        facts.computed = namesOf(session,
                                 "SELECT TRIM(RF.RDB$FIELD_NAME) FROM RDB$RELATION_FIELDS RF "
                                 "JOIN RDB$FIELDS F ON F.RDB$FIELD_NAME = RF.RDB$FIELD_SOURCE "
                                 "WHERE RF.RDB$RELATION_NAME = " +
                                     sqlLiteral(relation) + " AND F.RDB$COMPUTED_BLR IS NOT NULL");
        facts.primaryKey =
            namesOf(session,
                    "SELECT TRIM(S.RDB$FIELD_NAME) FROM RDB$RELATION_CONSTRAINTS C "
                    "JOIN RDB$INDEX_SEGMENTS S ON S.RDB$INDEX_NAME = C.RDB$INDEX_NAME "
                    "WHERE C.RDB$RELATION_NAME = " +
                        sqlLiteral(relation) + " AND C.RDB$CONSTRAINT_TYPE = 'PRIMARY KEY'");
        it = tables_.emplace(relation, std::move(facts)).first;
    }
    return it->second;
}

// The first column of a query's rows, as a set of names.
std::set<std::string> TableFactsCache::namesOf(Session& session, const std::string& sql) {
    std::set<std::string> names;
    Firebird::ITransaction* tra = session.current();
    session.guarded([&](Firebird::ThrowStatusWrapper* st) {
        RefPtr<Firebird::IResultSet> rs(session.attachment()->openCursor(
            st, tra, 0, sql.c_str(), 3, nullptr, nullptr, nullptr, nullptr, 0));
        RefPtr<Firebird::IMessageMetadata> meta(rs->getMetadata(st));
        std::vector<unsigned char> buffer(meta->getMessageLength(st));
        const unsigned offset = meta->getOffset(st, 0);
        const unsigned type = meta->getType(st, 0);
        while (rs->fetchNext(st, buffer.data()) == Firebird::IStatus::RESULT_OK) {
            const unsigned char* p = buffer.data() + offset;
            if (type == SQL_VARYING) {
                unsigned short len;
                std::memcpy(&len, p, sizeof len);
                names.emplace(reinterpret_cast<const char*>(p) + 2, len);
            }
        }
        rs.finish([&](Firebird::IResultSet* r) { r->close(st); });
    });
    return names;
}

}  // namespace db::firebird
