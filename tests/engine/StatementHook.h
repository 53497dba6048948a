#pragma once

#include <functional>
#include <string>

// The test program's side of the fault driver's statement hook: the driver calls
// olvarinStatementHook(sql) before every statement it runs.
namespace testsupport {

// Sets the function called with every statement text; empty to clear.
void setStatementHook(std::function<void(const std::string&)> hook);

}  // namespace testsupport
