#pragma once

// The program's version, the project's in CMake (the package's version too).
namespace app {

inline constexpr const char* kVersion = OLVARIN_VERSION;

}  // namespace app
