#pragma once

#include <string>

namespace base {

// The folder of the running executable, with its trailing separator.
std::string executableDir();

// The operating system's text for an error number (errno on Linux).
std::string systemErrorText(int error);

// The file a path leads to, its links followed as far as they go: a link whose
// target is missing gives that target. Messages name this file, the one a person
// can create or change (/etc/olvarin/Quelmar.dat rather than the link to it beside
// the program).
std::string linkResolvedPath(const std::string& path);

// The name of the user the process runs as (its effective user), or the number
// when the user has no name.
std::string effectiveUserName();

// Whether a failure to open a file says it is not there (ENOENT, ENOTDIR), rather
// than that it is there and may not be read.
bool isMissingFileError(int error);

// What to say of a file that is there but cannot be read: "cannot be read by user
// <name>: <the system's text>".
std::string readRefusalText(int error);

// The error that opening the file for reading meets, 0 when it opens.
int openForReadingError(const std::string& path);

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
