// olvarin-fleet: the chain's view for headquarters. Reads headquarters' database
// through the connection "Dravonel" of the connections file olvarin reads (beside
// it, or where the per-user settings put it), writes nothing there, and prints the
// state of every store.

#include <unistd.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>

#include "app/RegistrySettings.h"
#include "base/NumberText.h"
#include "fleet/FleetReport.h"

namespace {

constexpr const char* kUsage =
    "usage: olvarin-fleet [--json | --prometheus] [--html FILE]\n"
    "                     [--stale-after MINUTES] [--stuck-after MINUTES]\n"
    "Prints the state of every store from headquarters' database: the rows waiting\n"
    "in its queues and how old, rows claimed and not removed, rows handed back after\n"
    "a refusal, and its last heartbeat. The stores that need a person come first.\n"
    "  (default)        a table\n"
    "  --json           one JSON document\n"
    "  --prometheus     the text format of node_exporter's textfile folder\n"
    "  --html FILE      also writes one self-contained page to FILE (replaced whole)\n"
    "  --stale-after M  a heartbeat older than M minutes is stale (default 30)\n"
    "  --stuck-after M  a claim on a row queued more than M minutes ago is stuck\n"
    "                   (default 60)\n"
    "Exit status 0 when the view was read, 1 when it could not be, 2 for bad arguments.\n";

enum class Format { Table, Json, Prometheus };

struct Arguments {
    Format format = Format::Table;
    std::string htmlFile;
    fleet::FleetOptions options;
};

std::optional<int64_t> minutes(const std::string& text) {
    const int32_t n = base::toInt32Or(text, -1);
    if (n <= 0) return std::nullopt;
    return int64_t{n} * 60;
}

// None when the arguments are wrong (or --help was asked for: help is set).
std::optional<Arguments> parse(int argc, char** argv, bool& help) {
    Arguments args;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--help" || arg == "-h") {
            help = true;
            return std::nullopt;
        } else if (arg == "--json" && args.format == Format::Table) {
            args.format = Format::Json;
        } else if (arg == "--prometheus" && args.format == Format::Table) {
            args.format = Format::Prometheus;
        } else if (arg == "--html" && hasValue) {
            args.htmlFile = argv[++i];
        } else if ((arg == "--stale-after" || arg == "--stuck-after") && hasValue) {
            const auto seconds = minutes(argv[++i]);
            if (!seconds) return std::nullopt;
            (arg == "--stale-after" ? args.options.staleAfterSeconds
                                    : args.options.stuckAfterSeconds) = *seconds;
        } else {
            return std::nullopt;
        }
    }
    return args;
}

// Replaces the file whole: a web server never serves half a page.
void writeWhole(const std::string& path, const std::string& text) {
    const std::string temporary = path + ".tmp" + std::to_string(::getpid());
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << text;
        out.close();
        if (!out) throw std::runtime_error("cannot write " + temporary);
    }
    std::filesystem::rename(temporary, path);
}

}  // namespace

int main(int argc, char** argv) {
    bool help = false;
    const std::optional<Arguments> args = parse(argc, argv, help);
    if (!args) {
        (help ? std::cout : std::cerr) << kUsage;
        return help ? 0 : 2;
    }
    try {
        db::SQLConnection headquarters("SQLCon_Source", "Dravonel",
                                       app::registryFilesFromSettings());
        const fleet::FleetView view = fleet::readFleet(headquarters, args->options);
        if (!args->htmlFile.empty()) writeWhole(args->htmlFile, fleet::htmlPage(view));
        switch (args->format) {
            case Format::Table:
                std::cout << fleet::tableText(view);
                break;
            case Format::Json:
                std::cout << fleet::jsonText(view);
                break;
            case Format::Prometheus:
                std::cout << fleet::prometheusText(view);
                break;
        }
        return 0;
    } catch (const std::exception& e) {
        std::cerr << "olvarin-fleet: " << e.what() << std::endl;
        return 1;
    }
}
