#include "app/StoreConfigFile.h"

#include "base/Platform.h"

namespace app {
namespace {

bool isStoreIdCharacter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_';
}

// A character as a person can read it: itself when it prints, else its code.
std::string shown(char c) {
    const auto code = static_cast<unsigned char>(c);
    if (c == ' ') return "a blank";
    if (code > 0x20 && code < 0x7f) return std::string("'") + c + "'";
    static const char* const kHex = "0123456789ABCDEF";
    return std::string("byte 0x") + kHex[code >> 4] + kHex[code & 0xf];
}

}  // namespace

std::optional<std::string> storeIdProblem(const std::string& storeId) {
    if (storeId.empty()) return "the store id is empty";
    for (std::size_t i = 0; i < storeId.size(); ++i) {
        if (!isStoreIdCharacter(storeId[i])) {
            return "store id '" + storeId + "' holds " + shown(storeId[i]) + " at position " +
                   std::to_string(i + 1) +
                   ": a store id has only the letters A-Z and a-z, the digits 0-9, '-' and '_'";
        }
    }
    if (storeId.size() > kStoreIdMaxLength) {
        return "store id '" + storeId + "' has " + std::to_string(storeId.size()) +
               " characters: headquarters' queues hold store ids of at most " +
               std::to_string(kStoreIdMaxLength) + " (STORE_ID)";
    }
    return std::nullopt;
}

std::string noStoreIdMessage(const std::string& storeConfigFile, const std::string& startupError) {
    const std::string file = base::linkResolvedPath(storeConfigFile);
    const std::string why = startupError.empty()
                                ? file + " gives an empty store id"
                                : file + " could not be read at start-up (" + startupError + ")";
    return "No store id, nothing downloaded: " + why +
           ". Write it with olvarin-storecfg --store-id ID --stock-id ID and start olvarin again";
}

}  // namespace app
