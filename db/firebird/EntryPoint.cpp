// The module's one export: the entry point named by the drivers file's GetDriverFunc.
#include <cstdio>
#include <exception>
#include <string>

#include "db/Driver.h"
#include "db/firebird/Api.h"
#include "db/firebird/Driver.h"

namespace {

void writeMessage(char* message, std::size_t size, const std::string& text) {
    if (message && size > 0) std::snprintf(message, size, "%s", text.c_str());
}

}  // namespace

extern "C" __attribute__((visibility("default"))) int getSQLDriverINTERBASE(
    const char* vendorLib, const char* /*errorResourceFile: no message file is used*/,
    db::Driver** driver, char* message, std::size_t messageSize) {
    const std::string name = vendorLib ? vendorLib : "";
    try {
        if (!driver) {
            writeMessage(message, messageSize, "No driver pointer given");
            return 2;
        }
        *driver = nullptr;
        auto api = name.empty() ? nullptr : db::firebird::Api::load(name);
        if (!api) {
            writeMessage(message, messageSize, "Unable to Load " + name);
            return 1;
        }
        *driver = new db::firebird::FbDriver(std::move(api));
        writeMessage(message, messageSize, "");
        return 0;
    } catch (const std::exception& e) {
        writeMessage(message, messageSize, e.what());
        return 3;
    } catch (...) {
        writeMessage(message, messageSize, "Unknown error in the driver");
        return 3;
    }
}

// The signature must stay the one the loader expects.
static_assert(std::is_same_v<decltype(&getSQLDriverINTERBASE), OlvGetDriverFunc>);
