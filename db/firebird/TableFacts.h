#pragma once

#include <map>
#include <set>
#include <string>

// What the driver reads once per table from the system tables of an attachment:
// which columns are computed and which belong to the primary key.
namespace db::firebird {

class Session;

class TableFactsCache {
  public:
    // Both read once per table through the session, in its current transaction.
    bool isComputed(Session& session, const std::string& relation, const std::string& field);
    bool isPrimaryKey(Session& session, const std::string& relation, const std::string& field);
    // Forgets every table (a new attachment may see other ones).
    void clear() { tables_.clear(); }

  private:
    struct Facts {
        std::set<std::string> computed;
        std::set<std::string> primaryKey;
    };
    const Facts& factsOf(Session& session, const std::string& relation);
    // The first column of a query's rows, as a set of names (decoded from the
    // message by hand: the driver's own statements would ask these facts again).
    static std::set<std::string> namesOf(Session& session, const std::string& sql);

    std::map<std::string, Facts> tables_;
};

}  // namespace db::firebird
