// The fleet suite: olvarin-fleet, the built command as headquarters runs it, over a
// chain of many stores and a million queue rows.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "bench/Suites.h"
#include "tests/support/TestDatabases.h"

namespace bench {
namespace {

struct QueueTable {
    const char* name;
    const char* key;
};

constexpr QueueTable kQueues[] = {
    {"PRODUCT_WAIT", "PROD_ID"},     {"PROVIDER_WAIT", "PROVIDER_ID"},
    {"CUSTOMER_WAIT", "CUST_ID"},    {"PSALE_WAIT", "MASTERBILLID"},
    {"PTSALE_WAIT", "MASTERBILLID"}, {"CHGPRICE_WAIT", "MASTERBILLID"},
    {"QUOT_WAIT", "MASTERBILLID"},   {"INPROMOTION_WAIT", "MASTERBILLID"},
};

std::string script(const std::string& name) {
    std::ifstream in(testsupport::schemaDir() + "/" + name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The chain: every store listed and reporting (one in fifty failed, one in a hundred
// silent for a day, one in forty with refusals and a run that went through every
// queue ten minutes ago), and rows queue rows spread evenly over the stores and the
// eight queues, queued up to a day ago, one in fifty claimed.
void fillChain(testsupport::TestDatabases& hq, long long stores, long long rows) {
    const std::string n = std::to_string(stores);
    hq.execSource(
        "EXECUTE BLOCK AS DECLARE s INTEGER = 1; DECLARE id VARCHAR(10); BEGIN "
        "WHILE (s <= " +
        n +
        ") DO BEGIN id = LPAD(s, 4, '0'); "
        "INSERT INTO OLVARIN_STORES (STORE_ID, ACTIVE) VALUES (:id, 1); "
        "INSERT INTO OLVARIN_STORE_STATUS (STORE_ID, PROGRAM_VERSION, HOST_NAME, SUCCEEDED, "
        "ERROR_MESSAGE, ROWS_REFUSED, REPORTED_AT, LAST_SUCCESS_AT, QUEUES_CLAIMED_AT) VALUES "
        "(:id, "
        "'0.1.0', 'branch-' || :id, IIF(MOD(:s, 50) = 0, 0, 1), IIF(MOD(:s, 50) = 0, 'lock "
        "conflict', "
        "NULL), IIF(MOD(:s, 40) = 0, 3, 0), DATEADD(-IIF(MOD(:s, 100) = 0, 1440, MOD(:s, 5)) "
        "MINUTE TO "
        "CURRENT_TIMESTAMP), DATEADD(-60 MINUTE TO CURRENT_TIMESTAMP), IIF(MOD(:s, 40) = 0, "
        "DATEADD(-10 MINUTE TO CURRENT_TIMESTAMP), NULL)); s = s + 1; END END");
    const long long perQueue = rows / static_cast<long long>(std::size(kQueues));
    for (const QueueTable& q : kQueues)
        hq.execSource(std::string("EXECUTE BLOCK AS DECLARE i INTEGER = 0; BEGIN WHILE (i < ") +
                      std::to_string(perQueue) + ") DO BEGIN INSERT INTO " + q.name +
                      " (STORE_ID, " + q.key +
                      ", STATE, TRAN_CODE, QUEUED_AT) VALUES (LPAD(MOD(:i, " + n +
                      ") + 1, 4, '0'), 'K' || :i, 'UPDATE', IIF(MOD(:i, 50) = 0, 'W', 'N'), "
                      "DATEADD(-MOD(:i, 1440) MINUTE TO CURRENT_TIMESTAMP)); i = i + 1; END END");
}

// Runs olvarin-fleet with the given arguments, its settings naming the connections
// file; the seconds it took, or a negative number when it failed.
double timeCommand(const std::string& configHome, const std::string& arguments) {
    const std::string command =
        "XDG_CONFIG_HOME=" + configHome + " " + OLVARIN_FLEET + " " + arguments + " > /dev/null";
    const auto start = std::chrono::steady_clock::now();
    const int status = std::system(command.c_str());
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return status == 0 ? seconds : -1;
}

}  // namespace

int runFleetSuite(const BenchOptions& options) {
    std::printf("\nfleet: olvarin-fleet over %lld stores and %lld queue rows (8 queues)\n",
                options.fleetStores, options.fleetQueueRows);
    testsupport::TestDatabases hq(script("tables.sql") + script("queues.sql") +
                                      script("heartbeat.sql") + script("capture.sql"),
                                  script("tables.sql"));
    const auto fillStart = std::chrono::steady_clock::now();
    fillChain(hq, options.fleetStores, options.fleetQueueRows);
    std::printf(
        "  filled in %.1f s\n",
        std::chrono::duration<double>(std::chrono::steady_clock::now() - fillStart).count());

    int failures = 0;
    const auto measure = [&](const char* where, bool server) {
        hq.detachAll();
        const auto [connections, drivers] = hq.writeRegistry(
            server ? testsupport::RegistryOptions{.sourceDatabase = "localhost:" + hq.sourcePath()}
                   : testsupport::RegistryOptions{});
        const std::string config = hq.folder() + "/config-" + where;
        std::filesystem::create_directories(config + "/olvarin");
        std::ofstream(config + "/olvarin/olvarin.conf")
            << "[General]\nConnection Registry File=" << connections
            << "\nDriver Registry File=" << drivers << "\n";
        const std::string page = hq.folder() + "/fleet.html";
        for (const char* arguments : {"", "--json", "--prometheus", "--html"}) {
            const std::string args =
                std::string(arguments) == "--html" ? "--html " + page : arguments;
            const double first = timeCommand(config, args), second = timeCommand(config, args);
            if (first < 0 || second < 0) ++failures;
            std::printf("  %-9s %-13s %6.2f s, again %6.2f s\n", where,
                        *arguments ? arguments : "(table)", first, second);
        }
    };
    measure("embedded", false);
    if (testsupport::loopbackServerAvailable()) measure("server", true);
    return failures;
}

}  // namespace bench
