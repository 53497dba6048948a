#pragma once

// A branch set up as the README says, on fresh databases: headquarters and branch
// from schema/, the two INI files and the store configuration of store 0001 in
// the databases' folder.

#include <fstream>
#include <string>
#include <vector>

#include "check/SetupCheck.h"
#include "db/TableFile.h"
#include "tests/support/TestDatabases.h"

namespace checktest {

inline std::string replaced(std::string text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

inline std::string readText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void writeText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

inline void writeStoreConfig(const std::string& path, const std::string& storeId) {
    db::TableData table;
    for (const char* name : {"storeid", "stock_id"}) {
        db::ColumnInfo field;
        field.name = name;
        field.size = 20;
        table.fields.push_back(field);
    }
    table.rows = {{db::Value::text(storeId), db::Value::text("S" + storeId)}};
    db::saveTableFile(path, table);
}

struct Branch {
    Branch() {
        std::tie(connections, drivers) = dbs.writeRegistry();
        writeStoreConfig(storeConfig(), "0001");
    }
    std::string storeConfig() const { return dbs.folder() + "/Quelmar.dat"; }
    // Replaces text in the connections file.
    void editConnections(const std::string& from, const std::string& to) const {
        writeText(connections, replaced(readText(connections), from, to));
    }
    check::CheckReport run() const {
        return check::runSetupCheck({storeConfig(), {connections, drivers}});
    }
    // "{DIR}" stands for the databases' folder.
    std::string placed(const std::string& text) const {
        return replaced(text, "{DIR}", dbs.folder());
    }

    testsupport::TestDatabases dbs;
    std::string connections;
    std::string drivers;
};

}  // namespace checktest
