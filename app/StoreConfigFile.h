#pragma once

namespace app {

// The store configuration file, read from the executable's folder at start-up.
inline constexpr const char* kStoreConfigFileName = "Quelmar.dat";

}  // namespace app
