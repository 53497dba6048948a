#include "check/StoreConfigCheck.h"

#include "app/StoreConfigFile.h"
#include "check/RegistryCheck.h"
#include "db/ClientDataSet.h"
#include "db/Error.h"

namespace check {
namespace {

constexpr const char* kRewrite =
    "write it beside olvarin with olvarin-storecfg --store-id ID --stock-id ID";

}  // namespace

std::optional<std::string> checkStoreConfig(const std::string& path, CheckReport& report) {
    const std::string subject = "store configuration " + path;
    std::string storeId, stockId;
    if (reportUnreadable(subject, path, report)) return std::nullopt;
    try {
        db::ClientDataSet storeConfig("", nullptr);
        storeConfig.loadFromFile(path);
        storeId = storeConfig.fieldByName("storeid").asString();
        stockId = storeConfig.fieldByName("stock_id").asString();
    } catch (const db::Error& e) {
        report.fail(subject, e.what(), kRewrite);
        return std::nullopt;
    }
    if (storeId.empty()) {
        report.fail(subject, "the store id is empty (the program runs no download without one)",
                    kRewrite);
        return std::nullopt;
    }
    if (const auto problem = app::storeIdProblem(storeId)) {
        report.fail(subject, *problem, kRewrite);
        return storeId;  // the queues may still say which ids headquarters knows
    }
    report.ok(subject, "store " + storeId + ", stock " + stockId);
    return storeId;
}

}  // namespace check
