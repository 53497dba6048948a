// What an idle run costs headquarters: the twelve categories in mode Changed, as the
// package's service runs them every five minutes, with nothing queued for the store.
// Headquarters is a private Firebird server on loopback (its own process, whose CPU
// time is read from /proc); the engine reaches it through a byte-counting relay, and
// its connection to headquarters alone goes through the timing driver module, which
// counts the statements. Every run is a fresh set of connections, as every run of
// the service is a process of its own.
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/BenchDatabases.h"
#include "bench/BenchTable.h"
#include "bench/BenchView.h"
#include "bench/ByteRelay.h"
#include "bench/ChangeQueue.h"
#include "bench/ChildProcess.h"
#include "bench/Measure.h"
#include "bench/Suites.h"
#include "bench/TimingModule.h"
#include "engine/DownloadRun.h"
#include "tests/support/FbOracle.h"
#include "tests/support/PrivateServer.h"

namespace bench {
namespace {

namespace fb = testsupport::fb;

constexpr const char* kStore = "S001";
constexpr double kTimerSeconds = 300;  // the package's timer: every five minutes

// The window as `olvarin a` sets it: the given categories ticked, one mode.
std::array<bool, 12> allCategories() {
    std::array<bool, 12> all{};
    all.fill(true);
    return all;
}

std::array<bool, 12> onlyCategory(int index) {
    std::array<bool, 12> one{};
    one[static_cast<size_t>(index)] = true;
    return one;
}

// CPU seconds the process has used, user and system, its threads included.
double cpuSeconds(int pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const size_t end = text.rfind(')');
    if (end == std::string::npos) throw std::runtime_error("cannot read the server's CPU time");
    std::istringstream fields(text.substr(end + 2));
    std::string skip;
    for (int i = 3; i < 14; ++i) fields >> skip;  // state .. cmajflt (fields 3 to 13)
    long long utime = 0, stime = 0;
    fields >> utime >> stime;
    return static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// The connections file with headquarters through the relay and on the counting
// driver ("Counted", the timing module); the branch on the plain driver module.
db::RegistryFiles countedRegistry(const BenchDatabases& databases, const std::string& hqName) {
    const db::RegistryFiles files = databases.registry(OLVARIN_DRIVER_MODULE, hqName);
    std::stringstream text;
    text << std::ifstream(files.connectionsFile).rdbuf();
    std::string ini = text.str();
    const std::string plain = "DriverName=Interbase\n";
    ini.replace(ini.find(plain), plain.size(), "DriverName=Counted\n");  // [Dravonel] is first
    std::ofstream(files.connectionsFile, std::ios::trunc) << ini;
    std::ofstream(files.driversFile, std::ios::app)
        << "\n[Counted]\nLibraryName=" << OLVARIN_TIMING_DRIVER
        << "\nGetDriverFunc=getSQLDriverINTERBASE\nVendorLib=libfbclient.so.2\n";
    return files;
}

struct IdleFigures {
    double statements = 0;  // per run: executions and cursors opened at headquarters
    double bytesToServer = 0, bytesFromServer = 0;
    double cpuMs = 0, wallMs = 0;
};

class IdleBench {
  public:
    explicit IdleBench(const BenchOptions& options)
        : databases_(benchTable("product"), options.idleProducts) {
        fillCatalogue(options);
        server_.start();
        relay_ = std::make_unique<ByteRelay>(server_.port());
        hqName_ = "localhost/" + std::to_string(relay_->port()) + ":" + databases_.sourcePath();
        registry_ = countedRegistry(databases_, hqName_);
    }

    // Runs download with the given categories and mode once; throws unless it ends
    // with "Done...".
    void download(const std::array<bool, 12>& ticked, int mode, engine::BulkDownload bulk) {
        engine::FormData data(registry_);  // a run of the service connects anew
        BenchView view;
        engine::runDownload({.storeId = kStore, .mode = mode, .ticked = ticked, .bulk = bulk}, view,
                            data);
        if (view.lastLine() != "Done...")
            throw std::runtime_error("an idle run did not end with Done...: " + view.lastLine());
    }

    IdleFigures measure(const std::array<bool, 12>& ticked, engine::BulkDownload bulk, int runs) {
        const StatementTimes before = *timing_.times()();
        const uint64_t to = relay_->bytesToServer(), from = relay_->bytesFromServer();
        const double cpu = cpuSeconds(server_.pid());
        const Stopwatch wall;
        for (int r = 0; r < runs; ++r) download(ticked, engine::kModeChanged, bulk);
        IdleFigures f;
        const double n = runs;
        f.wallMs = wall.seconds() * 1000 / n;
        f.cpuMs = (cpuSeconds(server_.pid()) - cpu) * 1000 / n;
        const StatementTimes spent = timing_.times()()->minus(before);
        f.statements = static_cast<double>(spent.runs[kPageQuery] + spent.runs[kKeyedSelect] +
                                           spent.runs[kWrite]) /
                       n;
        f.bytesToServer = static_cast<double>(relay_->bytesToServer() - to) / n;
        f.bytesFromServer = static_cast<double>(relay_->bytesFromServer() - from) / n;
        return f;
    }

    // The branch holds what headquarters has, and nothing is queued for the store.
    void checkResult() {
        const char* tables[] = {"PROD_TOPITEM", "PROD_HIITEM", "PROD_ITEM", "PROD_SALE", "PRODUCT"};
        auto branch = fb::attach(databases_.targetPath());
        auto hq = fb::attach(hqName_);
        for (const char* table : tables) {
            const std::string count = std::string("SELECT COUNT(*) FROM ") + table;
            const auto there = fb::query(hq.get(), count), here = fb::query(branch.get(), count);
            if (there != here)
                throw std::runtime_error(std::string(table) + ": the branch holds " +
                                         here.at(0).at(0) + " rows, headquarters " +
                                         there.at(0).at(0));
        }
        const auto queued =
            fb::query(hq.get(), "SELECT COUNT(*) FROM PRODUCT_WAIT WHERE STORE_ID = '" +
                                    std::string(kStore) + "'");
        fb::detach(hq);
        fb::detach(branch);
        if (queued.at(0).at(0) != "0") throw std::runtime_error("the store has rows queued");
    }

  private:
    // Headquarters' category tables, and another store's backlog in the product queue.
    void fillCatalogue(const BenchOptions& options) {
        auto hq = fb::attach(databases_.sourcePath());
        fb::execute(hq.get(),
                    "EXECUTE BLOCK AS DECLARE i INTEGER = 0; BEGIN WHILE (i < 20) DO BEGIN "
                    "INSERT INTO PROD_TOPITEM (TOP_ITEMID, TOP_ITEMNAME) VALUES ('T' || "
                    "LPAD(CAST(:i AS VARCHAR(3)), 3, '0'), 'Top ' || :i); i = i + 1; END END");
        fb::execute(hq.get(),
                    "EXECUTE BLOCK AS DECLARE i INTEGER = 0; BEGIN WHILE (i < 200) DO BEGIN "
                    "INSERT INTO PROD_HIITEM (PD_GRPID, PD_GRPNAME, TOP_ITEMID) VALUES ('G' || "
                    "LPAD(CAST(:i AS VARCHAR(5)), 5, '0'), 'Group ' || :i, 'T' || "
                    "LPAD(CAST(MOD(:i, 20) AS VARCHAR(3)), 3, '0')); i = i + 1; END END");
        fb::execute(hq.get(), benchTable("item").fillSql(options.idleItems));
        fb::execute(hq.get(), benchTable("sale").fillSql(options.idleSales));
        fb::execute(hq.get(), queueChangesSql("S999", options.idleProducts));
        fb::detach(hq);
    }

    BenchDatabases databases_;
    testsupport::PrivateServer server_;
    std::unique_ptr<ByteRelay> relay_;
    std::string hqName_;
    db::RegistryFiles registry_;
    TimingModule timing_;
};

const char* sideName(engine::BulkDownload bulk) {
    switch (bulk) {
        case engine::BulkDownload::On:
            return "true";
        case engine::BulkDownload::Auto:
            return "auto";
        default:
            return "off";
    }
}

void printRow(const char* what, engine::BulkDownload bulk, const IdleFigures& f) {
    const double storesPerCore = f.cpuMs > 0 ? kTimerSeconds * 1000 / f.cpuMs : 0;
    std::printf("| %s | %s | %.1f | %.0f | %.0f | %.2f | %.1f | %.0f |\n", what, sideName(bulk),
                f.statements, f.bytesToServer, f.bytesFromServer, f.cpuMs, f.wallMs, storesPerCore);
    std::fflush(stdout);
}

}  // namespace

int runIdleSuite(const BenchOptions& options) {
    std::fprintf(stderr, "idle: %d runs per side\n", options.idleRuns);
    return runInChild([&] {
        IdleBench bench(options);
        std::printf(
            "\nIdle runs: the twelve categories in mode Changed, nothing queued for the store; "
            "headquarters with %lld products, %lld small categories, %lld packagings, 20 top "
            "and 200 middle categories, %lld changes queued for another store; a private "
            "server on loopback; %d runs per line, each with connections of its own.\n\n",
            options.idleProducts, options.idleItems, options.idleSales, options.idleProducts,
            options.idleRuns);
        // The first load, so that the branch holds headquarters' tables.
        bench.download(allCategories(), engine::kModeAll, engine::BulkDownload::On);
        std::printf(
            "| categories | Bulk Download | statements at HQ / run | bytes to HQ / run | "
            "bytes from HQ / run | HQ CPU ms / run | wall ms / run | stores per HQ core "
            "at 5 min |\n|---|---|---:|---:|---:|---:|---:|---:|\n");
        const engine::BulkDownload sides[] = {engine::BulkDownload::Off, engine::BulkDownload::On,
                                              engine::BulkDownload::Auto};
        for (engine::BulkDownload bulk : sides) {
            bench.download(allCategories(), engine::kModeChanged, bulk);  // warm
            printRow("all twelve", bulk, bench.measure(allCategories(), bulk, options.idleRuns));
        }
        // Each category alone: fewer runs, the statements and bytes being the same in each.
        const int runs = std::max(2, options.idleRuns / 4);
        for (int category = 0; category < 12; ++category) {
            for (engine::BulkDownload bulk : sides) {
                const std::string name = "only " + std::to_string(category);
                printRow(name.c_str(), bulk, bench.measure(onlyCategory(category), bulk, runs));
            }
        }
        bench.checkResult();
        return 0;
    });
}

}  // namespace bench
