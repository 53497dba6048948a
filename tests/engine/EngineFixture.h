#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "engine/DownloadRun.h"
#include "engine/FormData.h"
#include "tests/engine/TestView.h"
#include "tests/support/FaultPlan.h"
#include "tests/support/TestDatabases.h"

namespace testsupport {

// A test run's tuning, and its path.
struct RunWith {
    long long pageBoundCap = 0;
    engine::RunTally* tally = nullptr;
    engine::BulkDownload bulk = engine::BulkDownload::Off;
    long long bulkThreshold = engine::kDefaultBulkThreshold;
    int bulkPageSize = 0;
    int bulkCommitRows = 0;
};

// Fresh headquarters and branch databases from the schema, the form's
// connections on them, and a plain window, for every test.
class EngineTest : public ::testing::Test {
  protected:
    void SetUp() override {
        auto [connections, drivers] = dbs.writeRegistry();
        files = {connections, drivers};
        data = std::make_unique<engine::FormData>(files);
    }
    void TearDown() override {
        data.reset();
        setStatementTrace("");
        clearFaultPlan();
    }

    void run(const std::string& storeId = "0001", RunWith with = {}) {
        engine::runDownload(view.request(storeId, with.bulk, with.bulkThreshold), view, *data,
                            {.pageBoundCap = with.pageBoundCap,
                             .tally = with.tally,
                             .bulkPageSize = with.bulkPageSize,
                             .bulkCommitRows = with.bulkCommitRows});
    }
    // Runs and hands back the error that ended the run ("" when it ran to "Done...").
    std::string runExpectingError(const std::string& storeId = "0001") {
        try {
            run(storeId);
        } catch (const std::exception& e) {
            return e.what();
        }
        return "";
    }

    // Routes every connection through the tracing and fault-injecting driver
    // wrapper; the form is rebuilt so that it connects anew.
    void useFaultDriver() {
        std::ofstream(files.driversFile)
            << "[Interbase]\nLibraryName=" << faultDriverPath()
            << "\nGetDriverFunc=getSQLDriverINTERBASE\nVendorLib=libfbclient.so.2\n";
        data = std::make_unique<engine::FormData>(files);
    }
    void traceStatements() {
        tracePath = dbs.folder() + "/trace.txt";
        std::remove(tracePath.c_str());
        setStatementTrace(tracePath);
    }
    std::vector<std::string> tracedStatements() const {
        std::vector<std::string> out;
        std::ifstream in(tracePath);
        for (std::string line; std::getline(in, line);) out.push_back(line);
        return out;
    }
    static void failStatementContaining(const std::string& text) {
        setFaultPlan({.statement = text});
    }
    static void stopFailing() { clearFaultPlan(); }

    static std::string faultDriverPath() { return OLVARIN_FAULT_DRIVER; }

    TestDatabases dbs;
    db::RegistryFiles files;
    std::unique_ptr<engine::FormData> data;
    TestView view;
    std::string tracePath;
};

}  // namespace testsupport
