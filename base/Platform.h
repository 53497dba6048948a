#pragma once

#include <string>

namespace base {

// The folder of the running executable, with its trailing separator.
std::string executableDir();

// The operating system's text for an error number (errno on Linux).
std::string systemErrorText(int error);

// A shared library loaded for the rest of the process. It is never unloaded: the
// objects it made, the exceptions it threw and their type information, and the
// threads and exit handlers it started may be in use until the process ends, and
// nothing may depend on which holder happens to keep it loaded. Loading a library
// that is loaded already gives the same library. Copies refer to the same library.
class SharedLibrary {
public:
    // Loads the library by name or path; false (and lastError() set) on failure.
    bool load(const std::string& name);
    bool isLoaded() const { return handle_ != nullptr; }
    // The address of an exported symbol, or nullptr.
    void* symbol(const std::string& name) const;
    const std::string& lastError() const { return lastError_; }

private:
    void* handle_ = nullptr;
    std::string lastError_;
};

}  // namespace base
