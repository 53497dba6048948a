#pragma once

#include <optional>
#include <string>

#include "check/CheckReport.h"

namespace check {

// Reads the store configuration as the program does at start-up (the table file's
// first row, fields "storeid" and "stock_id") and reports it in one line. Returns
// the store id when the program would start with one that is not empty.
std::optional<std::string> checkStoreConfig(const std::string& path, CheckReport& report);

}  // namespace check
