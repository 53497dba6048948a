#pragma once

#include <string>
#include <vector>

namespace bench {

struct BenchOptions {
    std::vector<std::string> suites;     // "sizes", "changed", "branches", "fleet", "soak", "idle"
    std::vector<long long> rowCounts;    // sizes: one measured child process per count
    std::vector<std::string> tables;     // sizes: "item", "sale", "product"
    long long defaultCap = 50000;        // sizes: the default path runs up to this many rows
    long long changes = 20000;           // changed: queued product changes for one store
    long long deletions = 20000;         // deletions: queued product deletions for one store
    long long bills = 2000;              // bills: queued price-change bills of ten lines
    std::vector<int> branchCounts;       // branches: branches at once
    long long changesPerStore = 2000;    // branches: queued changes of each store
    long long fleetStores = 1000;        // fleet: stores of the chain
    long long fleetQueueRows = 1000000;  // fleet: queue rows at headquarters
    bool baseline = false;               // sizes: also the bare per-statement baseline
    bool full = false;                   // sizes: also a second download into the full branch
    int repeat = 1;                      // sizes: every side measured this many times, alternately
    int soakRuns = 1000;                 // soak: timer runs of the window in one process
    int soakIntervalMs = 100;            // soak: the interval box
    int soakTrickleEvery = 10;           // soak: one product change queued every so many runs
    int soakSampleEvery = 100;       // soak: memory, descriptors and attachments every so many runs
    int idleRuns = 40;               // idle: runs measured per line
    long long idleProducts = 20000;  // idle: products (and another store's queued changes)
    long long idleItems = 1000;      // idle: small categories (PROD_ITEM)
    long long idleSales = 2000;      // idle: packagings (PROD_SALE)
    bool bulkOnly = false;           // branches: the bulk path only
    bool help = false;
};

// Reads the command line (see usageText()). Throws std::invalid_argument with a
// message for a flag or value it does not know.
BenchOptions parseOptions(int argc, char** argv);

const char* usageText();

}  // namespace bench
