#include "tests/engine/StatementHook.h"

namespace {

std::function<void(const std::string&)>& currentHook() {
    static std::function<void(const std::string&)> hook;
    return hook;
}

}  // namespace

namespace testsupport {

void setStatementHook(std::function<void(const std::string&)> hook) {
    currentHook() = std::move(hook);
}

}  // namespace testsupport

extern "C" __attribute__((visibility("default"))) void olvarinStatementHook(const char* sql) {
    auto& hook = currentHook();
    if (hook) hook(sql);
}
