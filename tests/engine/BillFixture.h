#pragma once

#include <string>
#include <vector>

#include "base/Clock.h"
#include "tests/engine/EngineFixture.h"

namespace testsupport {

// Engine runs over the bill categories, with the clock fixed at 1 March 2005,
// 10:20:30 unless a test moves it.
class BillTest : public EngineTest {
  protected:
    using Lines = std::vector<std::string>;

    void SetUp() override {
        EngineTest::SetUp();
        setToday(2005, 3, 1);
    }
    void TearDown() override {
        base::setClock({});
        EngineTest::TearDown();
    }

    static void setToday(int year, int month, int day) {
        base::setClock([=] { return base::LocalDateTime{year, month, day, 10, 20, 30}; });
    }

    // A queue row of headquarters, as it inserts them (TRAN_CODE 'N').
    void queue(const std::string& queueTable, const std::string& billId, const std::string& state,
               const std::string& store = "0001") {
        dbs.execSource("INSERT INTO " + queueTable + " (STORE_ID, MASTERBILLID, STATE) VALUES ('" +
                       store + "', '" + billId + "', '" + state + "')");
    }
    Rows queueRows(const std::string& queueTable) {
        return dbs.querySource("SELECT STORE_ID, MASTERBILLID, STATE, TRAN_CODE FROM " +
                               queueTable + " ORDER BY WAIT_ID");
    }

    // Runs the one category in mode Changed.
    void runChanged(int category) {
        view.tickOnly({category});
        view.mode = engine::kModeChanged;
        run();
    }
    std::string runChangedExpectingError(int category) {
        view.tickOnly({category});
        view.mode = engine::kModeChanged;
        return runExpectingError();
    }
};

}  // namespace testsupport
