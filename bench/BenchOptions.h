#pragma once

#include <string>
#include <vector>

namespace bench {

struct BenchOptions {
    std::vector<long long> rowCounts;  // one measured child process per count
    std::vector<std::string> tables;   // "item", "sale"
    bool skipBaseline = false;
    int repeat = 1;  // engine and baseline measured this many times, alternately
    bool help = false;
};

// Reads the command line: --rows N[,N...] (repeatable; default 10000,50000),
// --quick (2,000 rows), --tables item,sale, --skip-baseline, --repeat R, --help.
// Throws std::invalid_argument with a message for a flag it does not know.
BenchOptions parseOptions(int argc, char** argv);

const char* usageText();

}  // namespace bench
