#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace app {

// The store configuration file, read from the executable's folder at start-up.
inline constexpr const char* kStoreConfigFileName = "Quelmar.dat";

// The longest store id headquarters' queues hold: their STORE_ID is VARCHAR(10).
inline constexpr std::size_t kStoreIdMaxLength = 10;

// The rule a store id breaks, as headquarters' queues know store ids, ready to
// show; nullopt when it breaks none. A store id is not empty, has only the letters
// A-Z and a-z, the digits 0-9, '-' and '_', and fits the queues' STORE_ID.
std::optional<std::string> storeIdProblem(const std::string& storeId);

// Why a run without a store id does not start, and what to do: names the store
// configuration where it really is (links followed) and, when start-up could not
// read it, start-up's own message.
std::string noStoreIdMessage(const std::string& storeConfigFile, const std::string& startupError);

}  // namespace app
