#pragma once

#include <fstream>
#include <iterator>
#include <string>

#include "tests/support/TestDatabases.h"

namespace fleettest {

inline std::string schemaScript(const std::string& name) {
    std::ifstream in(testsupport::schemaDir() + "/" + name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Headquarters with every opt-in script: queues, the heartbeat table, change capture.
inline std::string headquartersSql() {
    return schemaScript("tables.sql") + schemaScript("queues.sql") + schemaScript("heartbeat.sql") +
           schemaScript("capture.sql");
}

}  // namespace fleettest
