#include "bench/BenchOptions.h"

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

long long rowCount(const std::string& text) {
    size_t used = 0;
    long long n = 0;
    try {
        n = std::stoll(text, &used);
    } catch (const std::exception&) {
        used = 0;
    }
    if (used != text.size() || n <= 0) throw std::invalid_argument("bad row count: " + text);
    return n;
}

}  // namespace

const char* usageText() {
    return "usage: olvarin-bench [--rows N[,N...]]... [--quick] [--tables item,sale] "
           "[--skip-baseline] [--repeat R]\n"
           "  --rows N        headquarters rows per table (default 10000,50000); repeatable\n"
           "  --quick         2,000 rows: a smoke run\n"
           "  --tables LIST   item (PROD_ITEM, pages of 100), sale (PROD_SALE, pages of 10)\n"
           "  --skip-baseline time only the engine\n"
           "  --repeat R      measure engine and baseline R times, alternately, on fresh\n"
           "                  databases; the summary lines give the medians\n";
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
        if (arg == "--rows") {
            for (const auto& n : splitList(value())) o.rowCounts.push_back(rowCount(n));
        } else if (arg == "--quick") {
            quick = true;
        } else if (arg == "--tables") {
            o.tables = splitList(value());
            for (const auto& t : o.tables) {
                if (t != "item" && t != "sale") throw std::invalid_argument("unknown table: " + t);
            }
        } else if (arg == "--skip-baseline") {
            o.skipBaseline = true;
        } else if (arg == "--repeat") {
            o.repeat = static_cast<int>(rowCount(value()));
        } else if (arg == "--help" || arg == "-h") {
            o.help = true;
        } else {
            throw std::invalid_argument("unknown flag: " + arg);
        }
    }
    if (o.rowCounts.empty()) o.rowCounts = quick ? std::vector<long long>{2000}
                                                 : std::vector<long long>{10000, 50000};
    if (o.tables.empty()) o.tables = {"item", "sale"};
    return o;
}

}  // namespace bench
