// olvarin-bench: times downloads from headquarters into a branch with forced
// writes on: the default path, the bulk path and the physical limit side by side
// (mode All per table and size, mode Changed), and N branches at once against one
// headquarters server. Every measurement runs in a child process of its own.
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <exception>
#include <string>

#include "bench/BenchOptions.h"
#include "bench/Report.h"
#include "bench/Suites.h"

namespace {

std::string selfPath() {
    char path[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return {};
    path[n] = '\0';
    return path;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace bench;
    if (argc > 1 && std::string(argv[1]) == "--branch-worker") {
        try {
            return runBranchWorker(argc - 2, argv + 2);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "olvarin-bench branch %s: %s\n", argc > 4 ? argv[4] : "?",
                         e.what());
            return 1;
        }
    }
    BenchOptions options;
    try {
        options = parseOptions(argc, argv);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "olvarin-bench: %s\n%s", e.what(), usageText());
        return 2;
    }
    if (options.help) {
        std::printf("%s", usageText());
        return 0;
    }
    std::printf("olvarin-bench: embedded branch databases, forced writes on; %s\n\n",
                machineLoad().c_str());
    int failures = 0;
    bool headerPrinted = false;
    for (const auto& suite : options.suites) {
        const bool tabled =
            suite == "sizes" || suite == "changed" || suite == "deletions" || suite == "bills";
        if (tabled && !headerPrinted) {
            printTableHeader();
            headerPrinted = true;
        }
        if (suite == "sizes") failures += runSizesSuite(options);
        if (suite == "changed") failures += runChangedSuite(options);
        if (suite == "deletions") failures += runDeletionsSuite(options);
        if (suite == "bills") failures += runBillsSuite(options);
        if (suite == "branches") failures += runBranchesSuite(options, selfPath().c_str());
        if (suite == "fleet") failures += runFleetSuite(options);
        if (suite == "soak") failures += runSoakSuite(options);
        if (suite == "idle") failures += runIdleSuite(options);
    }
    std::printf("\nolvarin-bench: done; %s\n", machineLoad().c_str());
    return failures == 0 ? 0 : 1;
}
