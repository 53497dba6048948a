// N branches at once against one headquarters database served by a private
// Firebird server on loopback. Each branch is a process of its own (this program
// run again with --branch-worker) with its own embedded branch database and its
// own store, running mode Changed for that store's queued changes.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/BenchDatabases.h"
#include "bench/BenchTable.h"
#include "bench/ChildProcess.h"
#include "bench/Measure.h"
#include "bench/Report.h"
#include "bench/Suites.h"
#include "tests/support/FbOracle.h"
#include "tests/support/PrivateServer.h"

namespace bench {
namespace {

namespace fb = testsupport::fb;

std::string storeOf(int branch) {
    char id[16];
    std::snprintf(id, sizeof id, "S%03d", branch + 1);
    return id;
}

// What one branch's process reported and used.
struct BranchRun {
    double seconds = 0;
    double pageSeconds = 0;
    long long rows = 0;
    long peakRssKiB = 0;
};

// Starts one process per argument list at once and waits for all; returns each
// one's peak memory. Throws when one does not end well.
std::vector<long> runAll(const std::vector<std::vector<std::string>>& arguments) {
    std::vector<std::vector<char*>> argv(arguments.size());
    for (size_t i = 0; i < arguments.size(); ++i) {
        for (const auto& a : arguments[i]) argv[i].push_back(const_cast<char*>(a.c_str()));
        argv[i].push_back(nullptr);
    }
    std::fflush(stdout);
    std::fflush(stderr);
    std::vector<pid_t> pids;
    for (auto& args : argv) {
        const pid_t pid = fork();
        if (pid == 0) {
            execv(args[0], args.data());
            _exit(127);
        }
        if (pid < 0) throw std::runtime_error("cannot start a branch process");
        pids.push_back(pid);
    }
    std::vector<long> peaks;
    bool allWell = true;
    for (pid_t pid : pids) {
        int status = 0;
        rusage usage{};
        if (wait4(pid, &status, 0, &usage) < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
            allWell = false;
        peaks.push_back(usage.ru_maxrss);
    }
    if (!allWell) throw std::runtime_error("a branch process failed (see above)");
    return peaks;
}

BranchRun readResult(const std::string& path) {
    BranchRun r;
    std::ifstream in(path);
    if (!(in >> r.seconds >> r.pageSeconds >> r.rows))
        throw std::runtime_error("no result in " + path);
    return r;
}

long long queuedAtHeadquarters(const std::string& databaseName) {
    auto attachment = fb::attach(databaseName);
    const long long n =
        std::stoll(fb::query(attachment.get(), "SELECT COUNT(*) FROM PRODUCT_WAIT").at(0).at(0));
    fb::detach(attachment);
    return n;
}

double medianOf(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

BranchesLine runBranches(testsupport::PrivateServer& server, int branches, bool bulk,
                         long long perStore, const char* self) {
    const BenchTable& products = benchTable("product");
    const Stopwatch setUp;
    BenchDatabases headquarters(products, perStore);
    for (int b = 0; b < branches; ++b) headquarters.queueChanges(storeOf(b), perStore);
    const std::string hqName = server.databaseName(headquarters.sourcePath());

    std::vector<std::unique_ptr<BenchDatabases>> stores;
    std::vector<std::vector<std::string>> arguments;
    for (int b = 0; b < branches; ++b) {
        stores.push_back(std::make_unique<BenchDatabases>(products, 0));
        const auto registry = stores.back()->registry(OLVARIN_TIMING_DRIVER, hqName);
        arguments.push_back({self, "--branch-worker", registry.connectionsFile,
                             registry.driversFile, storeOf(b), bulk ? "1" : "0",
                             stores.back()->folder() + "/result.txt"});
    }
    std::fprintf(stderr, "  %d branches, %lld changes each, set up in %.1f s\n", branches, perStore,
                 setUp.seconds());

    const Stopwatch wall;
    const std::vector<long> peaks = runAll(arguments);
    BranchesLine line{branches, bulk ? "bulk" : "default", perStore, wall.seconds(), 0, 0, 0, 0,
                      {}};

    std::vector<double> seconds, pageSeconds;
    for (int b = 0; b < branches; ++b) {
        const BranchRun r = readResult(arguments[static_cast<size_t>(b)].back());
        const long long onBranch = stores[static_cast<size_t>(b)]->branchRowCount();
        if (r.rows != perStore || onBranch != perStore) {
            throw std::runtime_error(storeOf(b) + ": " + std::to_string(onBranch) +
                                     " products on the branch, expected " +
                                     std::to_string(perStore));
        }
        seconds.push_back(r.seconds);
        pageSeconds.push_back(r.pageSeconds);
        line.maxPeakRssKiB = std::max(line.maxPeakRssKiB, peaks[static_cast<size_t>(b)]);
    }
    if (const long long left = queuedAtHeadquarters(hqName); left != 0)
        throw std::runtime_error(std::to_string(left) + " changes still queued at headquarters");
    line.medianStoreSeconds = medianOf(seconds);
    line.maxStoreSeconds = *std::max_element(seconds.begin(), seconds.end());
    line.medianStorePageSeconds = medianOf(pageSeconds);
    std::fprintf(stderr, "  %-8s %2d branches: wall %.2f s, per store median %.2f s, max %.2f s\n",
                 line.side.c_str(), branches, line.wallSeconds, line.medianStoreSeconds,
                 line.maxStoreSeconds);
    return line;
}

}  // namespace

int runBranchesSuite(const BenchOptions& options, const char* self) {
    std::fprintf(stderr, "branches, %lld changes per store:\n", options.changesPerStore);
    return runInChild([&] {
        testsupport::PrivateServer server;
        server.start();
        std::printf(
            "\nHeadquarters on a private Firebird server on loopback (port %d); mode Changed, "
            "%lld queued changes per store, every branch empty, forced writes on.\n\n",
            server.port(), options.changesPerStore);
        printBranchesHeader();
        for (int branches : options.branchCounts) {
            std::optional<BranchesLine> byDefault;
            if (!options.bulkOnly) {
                byDefault = runBranches(server, branches, false, options.changesPerStore, self);
                printBranchesRow(*byDefault);
            }
            BranchesLine bulk = runBranches(server, branches, true, options.changesPerStore, self);
            if (byDefault) bulk.speedUp = byDefault->wallSeconds / bulk.wallSeconds;
            printBranchesRow(bulk);
        }
        return 0;
    });
}

}  // namespace bench
