#include "bench/BenchOptions.h"

#include <algorithm>
#include <sstream>
#include <stdexcept>

namespace bench {
namespace {

std::vector<std::string> splitList(const std::string& text) {
    std::vector<std::string> parts;
    std::stringstream in(text);
    std::string part;
    while (std::getline(in, part, ',')) {
        if (!part.empty()) parts.push_back(part);
    }
    return parts;
}

long long count(const std::string& text) {
    size_t used = 0;
    long long n = 0;
    try {
        n = std::stoll(text, &used);
    } catch (const std::exception&) {
        used = 0;
    }
    if (used != text.size() || n <= 0) throw std::invalid_argument("bad count: " + text);
    return n;
}

std::vector<std::string> oneOf(const std::string& list, const std::vector<std::string>& known,
                               const char* what) {
    auto names = splitList(list);
    for (const auto& n : names) {
        if (std::find(known.begin(), known.end(), n) == known.end())
            throw std::invalid_argument(std::string("unknown ") + what + ": " + n);
    }
    return names;
}

}  // namespace

const char* usageText() {
    return "usage: olvarin-bench [--suite "
           "all|sizes|changed|deletions|bills|branches|fleet|soak|idle[,...]] [options]\n"
           "  sizes: mode All into an empty branch, default path, bulk path, physical limit\n"
           "    --rows N[,N...]   headquarters rows per table (default 10000,50000,100000)\n"
           "    --quick           2,000 rows (sizes), 2,000 changes (changed), 1,4 x 200 "
           "(branches),\n"
           "                      2,000 deletions, 200 bills, 100 timer runs (soak)\n"
           "    --tables LIST     item (PROD_ITEM), sale (PROD_SALE), product (PRODUCT);\n"
           "                      default sale,product\n"
           "    --default-cap N   the default path only up to N rows or changes (default 50000)\n"
           "    --baseline        also the bare per-statement baseline\n"
           "    --full            also a second download into the full branch (engine sides)\n"
           "    --repeat R        every side R times, alternately, on fresh databases; medians\n"
           "  changed: mode Changed, queued product changes for one store, empty branch\n"
           "    --changes N       queued changes (default 20000)\n"
           "  deletions: mode Changed, queued deletions of products the branch holds\n"
           "    --deletions N     queued deletions (default 20000)\n"
           "  bills: mode Changed, queued price-change bills of ten due lines each\n"
           "    --bills N         queued bills (default 2000)\n"
           "  branches: N branches at once against one headquarters server on loopback\n"
           "    --branches N[,N]  branch counts (default 1,4,16)\n"
           "    --per-store N     queued changes of each store (default 2000)\n"
           "    --bulk-only       the bulk path only (the default path is slow with many)\n"
           "  fleet: olvarin-fleet over a chain at headquarters\n"
           "    --stores N        stores (default 1000; --quick 100)\n"
           "    --queue-rows N    queue rows over the eight queues (default 1000000; --quick "
           "100000)\n"
           "  soak: the window in Auto mode, many timer runs against a headquarters server\n"
           "    --runs N          timer runs (default 1000; --quick 100)\n"
           "    --interval MS     the interval box (default 100)\n"
           "    --trickle K       one product change queued every K runs (default 10)\n"
           "  idle: what a run with nothing queued costs headquarters (statements, bytes,\n"
           "    CPU), Bulk Download off, true and auto; the twelve categories and each alone\n"
           "    --idle-runs N     runs per line (default 40; --quick 8)\n"
           "    --idle-products N products at headquarters (default 20000)\n"
           "    --idle-items N    small categories (default 1000)\n"
           "    --idle-sales N    packagings (default 2000)\n";
}

BenchOptions parseOptions(int argc, char** argv) {
    BenchOptions o;
    bool quick = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) throw std::invalid_argument(arg + " needs a value");
            return argv[++i];
        };
        if (arg == "--suite") {
            for (const auto& s : oneOf(value(),
                                       {"all", "sizes", "changed", "deletions", "bills", "branches",
                                        "fleet", "soak", "idle"},
                                       "suite")) {
                if (s == "all")
                    o.suites.insert(o.suites.end(), {"sizes", "changed", "deletions", "bills",
                                                     "branches", "fleet", "soak", "idle"});
                else
                    o.suites.push_back(s);
            }
        } else if (arg == "--rows") {
            for (const auto& n : splitList(value())) o.rowCounts.push_back(count(n));
        } else if (arg == "--quick") {
            quick = true;
        } else if (arg == "--tables") {
            o.tables = oneOf(value(), {"item", "sale", "product"}, "table");
        } else if (arg == "--default-cap") {
            o.defaultCap = count(value());
        } else if (arg == "--changes") {
            o.changes = count(value());
        } else if (arg == "--deletions") {
            o.deletions = count(value());
        } else if (arg == "--bills") {
            o.bills = count(value());
        } else if (arg == "--branches") {
            for (const auto& n : splitList(value()))
                o.branchCounts.push_back(static_cast<int>(count(n)));
        } else if (arg == "--per-store") {
            o.changesPerStore = count(value());
        } else if (arg == "--stores") {
            o.fleetStores = count(value());
        } else if (arg == "--queue-rows") {
            o.fleetQueueRows = count(value());
        } else if (arg == "--runs") {
            o.soakRuns = static_cast<int>(count(value()));
        } else if (arg == "--interval") {
            o.soakIntervalMs = static_cast<int>(count(value()));
        } else if (arg == "--trickle") {
            o.soakTrickleEvery = static_cast<int>(count(value()));
        } else if (arg == "--idle-runs") {
            o.idleRuns = static_cast<int>(count(value()));
        } else if (arg == "--idle-products") {
            o.idleProducts = count(value());
        } else if (arg == "--idle-items") {
            o.idleItems = count(value());
        } else if (arg == "--idle-sales") {
            o.idleSales = count(value());
        } else if (arg == "--bulk-only") {
            o.bulkOnly = true;
        } else if (arg == "--baseline") {
            o.baseline = true;
        } else if (arg == "--full") {
            o.full = true;
        } else if (arg == "--repeat") {
            o.repeat = static_cast<int>(count(value()));
        } else if (arg == "--help" || arg == "-h") {
            o.help = true;
        } else {
            throw std::invalid_argument("unknown flag: " + arg);
        }
    }
    if (o.suites.empty())
        o.suites = {"sizes", "changed", "deletions", "bills", "branches", "fleet", "soak", "idle"};
    if (o.rowCounts.empty())
        o.rowCounts =
            quick ? std::vector<long long>{2000} : std::vector<long long>{10000, 50000, 100000};
    if (o.tables.empty()) o.tables = {"sale", "product"};
    if (o.branchCounts.empty())
        o.branchCounts = quick ? std::vector<int>{1, 4} : std::vector<int>{1, 4, 16};
    if (quick) {
        o.changes = 2000;
        o.deletions = 2000;
        o.bills = 200;
        o.changesPerStore = 200;
        o.fleetStores = 100;
        o.fleetQueueRows = 100000;
        o.soakRuns = 100;
        o.idleRuns = 8;
    }
    o.soakSampleEvery = std::max(1, o.soakRuns / 10);
    return o;
}

}  // namespace bench
