// olvarin-storecfg: writes the store configuration file that olvarin reads at
// start-up, a one-row table with the text fields "storeid" and "stock_id".

#include <algorithm>
#include <cstring>
#include <iostream>
#include <optional>
#include <string>

#include "app/StoreConfigFile.h"
#include "base/Platform.h"
#include "db/Error.h"
#include "db/TableFile.h"

namespace {

constexpr const char* kUsage =
    "usage: olvarin-storecfg --store-id ID --stock-id ID [--output FILE]\n"
    "Writes the store configuration (default: Quelmar.dat beside olvarin).\n"
    "A store id has 1 to 10 of the letters A-Z and a-z, the digits 0-9, '-' and '_'.\n";

struct Options {
    std::optional<std::string> storeId;
    std::optional<std::string> stockId;
    std::string output;
};

// Reads "--name value" or "--name=value"; false on anything it does not know.
bool parseArguments(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        std::optional<std::string> value;
        if (const auto eq = arg.find('='); arg.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = arg.substr(eq + 1);
            arg.erase(eq);
        } else if (i + 1 < argc) {
            value = argv[i + 1];
        }
        const bool known = arg == "--store-id" || arg == "--stock-id" || arg == "--output";
        if (!known || !value) return false;
        if (std::strchr(argv[i], '=') == nullptr) ++i;
        if (arg == "--store-id")
            options.storeId = *value;
        else if (arg == "--stock-id")
            options.stockId = *value;
        else
            options.output = *value;
    }
    return options.storeId && options.stockId;
}

db::ColumnInfo textField(const std::string& name, const std::string& value) {
    db::ColumnInfo field;
    field.name = name;
    field.type = db::FieldType::VarChar;
    field.size = std::max<int>(20, static_cast<int>(value.size()));
    return field;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::cout << kUsage;
        return 0;
    }
    Options options;
    if (!parseArguments(argc, argv, options)) {
        std::cerr << kUsage;
        return 2;
    }
    // An id headquarters never queues for would make every run download nothing.
    if (const auto problem = app::storeIdProblem(*options.storeId)) {
        std::cerr << "olvarin-storecfg: " << *problem << "; nothing written\n";
        return 2;
    }
    if (options.output.empty()) options.output = base::executableDir() + app::kStoreConfigFileName;

    db::TableData table;
    table.fields = {textField("storeid", *options.storeId),
                    textField("stock_id", *options.stockId)};
    table.rows = {{db::Value::text(*options.storeId), db::Value::text(*options.stockId)}};
    try {
        db::saveTableFile(options.output, table);
    } catch (const db::Error& e) {
        std::cerr << "olvarin-storecfg: " << e.what() << '\n';
        return 1;
    }
    std::cout << options.output << '\n';
    return 0;
}
