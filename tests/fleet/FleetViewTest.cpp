// olvarin-fleet's view of a headquarters holding stores in every state, read from a
// real database, and its page as a real browser (Debian's headless Chromium) shows it.

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <nlohmann/json.hpp>
#include <regex>

#include "db/SQLConnection.h"
#include "fleet/FleetReport.h"
#include "tests/fleet/Headquarters.h"

namespace {

using fleet::Concern;
using testsupport::TestDatabases;

std::string minutesAgo(int minutes) {
    return "DATEADD(-" + std::to_string(minutes) + " MINUTE TO CURRENT_TIMESTAMP)";
}

class FleetViewTest : public ::testing::Test {
  protected:
    void SetUp() override {
        // 0001 fine; 0002 failed; 0003 silent for two hours; 0004 refused rows and has
        // one handed back; 0005 a run died with claims; 0006 listed, never reported;
        // 0007 listed inactive; 0008 only queued for by a program of headquarters.
        for (const char* store : {"('0001', 1)", "('0006', 1)", "('0007', 0)"})
            hq.execSource(std::string("INSERT INTO OLVARIN_STORES (STORE_ID, ACTIVE) VALUES ") +
                          store);
        beat("0001", true, 2);
        beat("0002", false, 3, 0, "lock conflict on <script>alert(1)</script> & \"P1\"");
        beat("0003", true, 120);
        beat("0004", true, 1, 2);
        beat("0005", true, 4);
        hq.execSource("UPDATE OLVARIN_STORE_STATUS SET QUEUES_CLAIMED_AT = " + minutesAgo(10) +
                      " WHERE STORE_ID = '0004'");
        queue("PRODUCT_WAIT", "PROD_ID", "0004", "N", 20);  // handed back after a refusal
        queue("PRODUCT_WAIT", "PROD_ID", "0004", "N", 1);   // queued since the run
        queue("PSALE_WAIT", "MASTERBILLID", "0005", "W", 180);
        queue("PSALE_WAIT", "MASTERBILLID", "0005", "X", 90);
        queue("PSALE_WAIT", "MASTERBILLID", "0005", "N", 30);
        queue("CUSTOMER_WAIT", "CUST_ID", "0008", "N", 5);
        hq.detachAll();
        auto [connections, drivers] = hq.writeRegistry();
        headquarters = std::make_unique<db::SQLConnection>("SQLCon_Source", "Dravonel",
                                                           db::RegistryFiles{connections, drivers});
    }

    void beat(const std::string& store, bool succeeded, int ageMinutes, int refused = 0,
              const std::string& error = "") {
        const std::string at = minutesAgo(ageMinutes);
        const std::string message = error.empty() ? "NULL" : "'" + error + "'";
        hq.execSource(
            "INSERT INTO OLVARIN_STORE_STATUS (STORE_ID, PROGRAM_VERSION, HOST_NAME, SUCCEEDED, "
            "ERROR_MESSAGE, ROWS_REFUSED, REPORTED_AT, LAST_SUCCESS_AT, LAST_ERROR_AT, "
            "LAST_ERROR_MESSAGE) VALUES ('" +
            store + "', '0.1.0', 'host-" + store + "', " + (succeeded ? "1" : "0") + ", " +
            message + ", " + std::to_string(refused) + ", " + at + ", " +
            (succeeded ? at : minutesAgo(600)) + ", " + (succeeded ? "NULL" : at) + ", " + message +
            ")");
    }
    void queue(const std::string& table, const std::string& key, const std::string& store,
               const std::string& mark, int ageMinutes) {
        hq.execSource("INSERT INTO " + table + " (STORE_ID, " + key +
                      ", STATE, TRAN_CODE, QUEUED_AT) " + "VALUES ('" + store +
                      "', 'K', 'UPDATE', '" + mark + "', " + minutesAgo(ageMinutes) + ")");
    }

    static const fleet::StoreState& store(const fleet::FleetView& view, const std::string& id) {
        for (const auto& s : view.stores)
            if (s.storeId == id) return s;
        throw std::runtime_error("no store " + id);
    }
    static std::size_t queueIndex(const fleet::FleetView& view, const std::string& queue) {
        return static_cast<std::size_t>(std::find(view.queues.begin(), view.queues.end(), queue) -
                                        view.queues.begin());
    }

    TestDatabases hq{fleettest::headquartersSql(), fleettest::schemaScript("tables.sql")};
    std::unique_ptr<db::SQLConnection> headquarters;
};

std::vector<std::string> storeIds(const fleet::FleetView& view) {
    std::vector<std::string> ids;
    for (const auto& s : view.stores) ids.push_back(s.storeId);
    return ids;
}

TEST_F(FleetViewTest, EachStoreIsSeenInItsStateAndTheUrgentOnesComeFirst) {
    const fleet::FleetView view = fleet::readFleet(*headquarters);
    EXPECT_EQ(view.queues, (std::vector<std::string>{"PRODUCT_WAIT", "PROVIDER_WAIT", "PSALE_WAIT",
                                                     "PTSALE_WAIT", "CHGPRICE_WAIT", "QUOT_WAIT",
                                                     "INPROMOTION_WAIT", "CUSTOMER_WAIT"}));
    EXPECT_EQ(storeIds(view), (std::vector<std::string>{"0002", "0006", "0008", "0003", "0004",
                                                        "0005", "0001", "0007"}));
    EXPECT_EQ(view.needingAttention(), 6u);
    using Concerns = std::vector<Concern>;
    EXPECT_EQ(store(view, "0002").concerns, Concerns{Concern::Failed});
    EXPECT_EQ(store(view, "0006").concerns, Concerns{Concern::NoHeartbeat});
    EXPECT_EQ(store(view, "0008").concerns, Concerns{Concern::NoHeartbeat});
    EXPECT_EQ(store(view, "0003").concerns, Concerns{Concern::StaleHeartbeat});
    EXPECT_EQ(store(view, "0004").concerns, Concerns{Concern::Refused});
    EXPECT_EQ(store(view, "0005").concerns, Concerns{Concern::StuckClaims});
    EXPECT_TRUE(store(view, "0007").concerns.empty());

    const auto& refused = store(view, "0004").queues[queueIndex(view, "PRODUCT_WAIT")];
    EXPECT_EQ(refused.waiting, 2);
    EXPECT_EQ(refused.returned, 1);
    EXPECT_NEAR(static_cast<double>(*refused.oldestWaitingAge), 20 * 60, 120);
    const auto& claims = store(view, "0005").queues[queueIndex(view, "PSALE_WAIT")];
    EXPECT_EQ(claims.waiting, 1);
    EXPECT_EQ(claims.claimed, 2);
    EXPECT_NEAR(static_cast<double>(*claims.oldestClaimedAge), 180 * 60, 120);
    EXPECT_EQ(claims.returned, 0);  // the store never went through every queue
    EXPECT_EQ(store(view, "0002").heartbeat->lastErrorMessage,
              "lock conflict on <script>alert(1)</script> & \"P1\"");

    // Limits of the command line move the stale and stuck stores out.
    const fleet::FleetView lenient = fleet::readFleet(
        *headquarters, {.staleAfterSeconds = 3 * 3600, .stuckAfterSeconds = 4 * 3600});
    EXPECT_TRUE(store(lenient, "0003").concerns.empty());
    EXPECT_TRUE(store(lenient, "0005").concerns.empty());
}

TEST_F(FleetViewTest, JsonAndPrometheusCarryTheSameView) {
    const fleet::FleetView view = fleet::readFleet(*headquarters);
    const auto doc = nlohmann::json::parse(fleet::jsonText(view));
    EXPECT_EQ(doc["stores_needing_attention"], 6);
    EXPECT_EQ(doc["stores"][0]["store"], "0002");
    EXPECT_EQ(doc["stores"][0]["concerns"], nlohmann::json::array({"failed"}));
    EXPECT_EQ(doc["stores"][0]["heartbeat"]["host_name"], "host-0002");
    EXPECT_EQ(doc["stores"][5]["queues"]["PSALE_WAIT"]["claimed"], 2);
    EXPECT_TRUE(doc["stores"][1]["heartbeat"].is_null());

    const std::string text = fleet::prometheusText(view);
    for (const char* line :
         {"olvarin_fleet_stores 8\n", "olvarin_fleet_stores_needing_attention 6\n",
          "olvarin_fleet_store_needs_attention{store=\"0002\",reasons=\"failed\"} 1\n",
          "olvarin_fleet_store_needs_attention{store=\"0001\",reasons=\"\"} 0\n",
          "olvarin_fleet_last_run_success{store=\"0002\"} 0\n",
          "olvarin_fleet_last_run_rows_refused{store=\"0004\"} 2\n",
          "olvarin_fleet_queue_claimed_rows{store=\"0005\",queue=\"PSALE_WAIT\"} 2\n",
          "olvarin_fleet_queue_returned_rows{store=\"0004\",queue=\"PRODUCT_WAIT\"} 1\n",
          "# TYPE olvarin_fleet_queue_waiting_rows gauge\n"})
        EXPECT_NE(text.find(line), std::string::npos) << line;
    EXPECT_EQ(text.find("queue=\"PROVIDER_WAIT\""), std::string::npos);  // empty queues: no series
}

// The DOM headless Chromium builds from the page. A copy of the page is laid out
// at a phone's width (390 px: the browser's window is at least 500 wide, so the
// body is held to 390), and a script added to it records the right edge of the
// widest element there.
std::string renderedDom(const std::string& folder, const std::string& html) {
    const std::string measured = std::regex_replace(
        html, std::regex("</body>"),
        "<style>body{width:390px}</style><script>document.body.setAttribute('data-width',"
        "Math.ceil(Math.max(...Array.from(document.querySelectorAll('body *'),"
        "e => e.getBoundingClientRect().right))))</script></body>");
    const std::string page = folder + "/fleet.html";
    std::ofstream(page) << measured;
    const std::string command =
        "chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run "
        "--disable-background-networking --disable-component-update --disable-sync "
        "--user-data-dir=" +
        folder + "/chromium --window-size=500,900 --dump-dom file://" + page + " 2>/dev/null";
    std::string dom;
    if (FILE* out = ::popen(command.c_str(), "r")) {
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, out)) > 0;)
            dom.append(buffer, n);
        ::pclose(out);
    }
    return dom;
}

std::vector<std::string> attributeValues(const std::string& text, const std::string& attribute) {
    std::vector<std::string> out;
    const std::regex pattern(attribute + "=\"([^\"]*)\"");
    for (auto it = std::sregex_iterator(text.begin(), text.end(), pattern);
         it != std::sregex_iterator(); ++it)
        out.push_back((*it)[1]);
    return out;
}

TEST_F(FleetViewTest, ThePageShowsTheStoresNeedingAPersonFirstAndFitsAPhone) {
    const std::string html = fleet::htmlPage(fleet::readFleet(*headquarters));
    EXPECT_EQ(html.find("http"), std::string::npos);  // nothing fetched from elsewhere
    EXPECT_EQ(html.find("<link"), std::string::npos);
    EXPECT_EQ(html.find("<script"), std::string::npos);

    const std::string dom = renderedDom(hq.folder(), html);
    ASSERT_NE(dom.find("</html>"), std::string::npos) << "chromium rendered nothing";
    const std::size_t attention = dom.find("id=\"attention\""), every = dom.find("id=\"stores\"");
    ASSERT_LT(attention, every);
    const std::string cards = dom.substr(attention, every - attention);
    const std::string table = dom.substr(every);
    EXPECT_EQ(attributeValues(cards, "data-store"),
              (std::vector<std::string>{"0002", "0006", "0008", "0003", "0004", "0005"}));
    EXPECT_EQ(attributeValues(cards, "data-concerns"),
              (std::vector<std::string>{"failed", "no_heartbeat", "no_heartbeat", "stale_heartbeat",
                                        "refused", "stuck_claims"}));
    EXPECT_EQ(
        attributeValues(table, "data-store"),
        (std::vector<std::string>{"0002", "0006", "0008", "0003", "0004", "0005", "0001", "0007"}));
    // The error is text on the page, not markup.
    EXPECT_NE(cards.find("lock conflict on &lt;script&gt;alert(1)&lt;/script&gt; &amp; \"P1\""),
              std::string::npos);
    EXPECT_NE(cards.find("PSALE_WAIT: 1 (oldest 30m) waiting, 2 (oldest 3h) claimed"),
              std::string::npos);
    EXPECT_NE(cards.find("PRODUCT_WAIT: 2 (oldest 20m) waiting, 0 claimed, 1 returned"),
              std::string::npos);
    EXPECT_NE(table.find("<td data-label=\"State\">inactive</td>"), std::string::npos);
    EXPECT_NE(table.find("<td data-label=\"State\">ok</td>"), std::string::npos);
    const auto width = attributeValues(dom, "data-width");
    ASSERT_EQ(width.size(), 1u);
    EXPECT_LE(std::stoi(width[0]), 390) << "the page is wider than a phone";
}

}  // namespace
