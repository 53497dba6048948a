#pragma once

#include <string>

namespace base {

// The folder of the running executable, with its trailing separator.
std::string executableDir();

// The operating system's text for an error number (errno on Linux).
std::string systemErrorText(int error);

// A shared library loaded for the life of this object. Not copyable.
class SharedLibrary {
public:
    SharedLibrary() = default;
    ~SharedLibrary();
    SharedLibrary(const SharedLibrary&) = delete;
    SharedLibrary& operator=(const SharedLibrary&) = delete;
    SharedLibrary(SharedLibrary&& other) noexcept;
    SharedLibrary& operator=(SharedLibrary&& other) noexcept;

    // Loads the library by name or path; false (and lastError() set) on failure.
    bool load(const std::string& name);
    bool isLoaded() const { return handle_ != nullptr; }
    // The address of an exported symbol, or nullptr.
    void* symbol(const std::string& name) const;
    const std::string& lastError() const { return lastError_; }
    void unload();

private:
    void* handle_ = nullptr;
    std::string lastError_;
};

}  // namespace base
