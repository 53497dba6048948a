#include "base/Platform.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace base {

std::string executableDir() {
    char buf[4096];
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return "./";
    std::string path(buf, static_cast<size_t>(n));
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? "./" : path.substr(0, slash + 1);
}

std::string systemErrorText(int error) {
    char buf[256];
    // The GNU strerror_r returns the text, which need not be in buf.
    return strerror_r(error, buf, sizeof buf);
}

std::string linkResolvedPath(const std::string& path) {
    namespace fs = std::filesystem;
    fs::path file(path);
    std::error_code ec;
    // A bound on the links followed, as the kernel's own (a loop ends there).
    for (int links = 0; links < 40 && fs::is_symlink(file, ec); ++links) {
        const fs::path target = fs::read_symlink(file, ec);
        if (ec) break;
        file = target.is_absolute() ? target : file.parent_path() / target;
    }
    const fs::path resolved = fs::weakly_canonical(file, ec);
    return ec ? file.string() : resolved.string();
}

std::string effectiveUserName() {
    const uid_t uid = ::geteuid();
    const struct passwd* entry = ::getpwuid(uid);
    return entry ? std::string(entry->pw_name) : std::to_string(uid);
}

bool isMissingFileError(int error) {
    return error == ENOENT || error == ENOTDIR;
}

std::string readRefusalText(int error) {
    return "cannot be read by user " + effectiveUserName() + ": " + systemErrorText(error);
}

int openForReadingError(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return errno;
    ::close(fd);
    return 0;
}

bool SharedLibrary::load(const std::string& name) {
    handle_ = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle_) {
        const char* err = dlerror();
        lastError_ = err ? err : "dlopen failed";
    }
    return handle_ != nullptr;
}

void* SharedLibrary::symbol(const std::string& name) const {
    return handle_ ? dlsym(handle_, name.c_str()) : nullptr;
}

}  // namespace base
