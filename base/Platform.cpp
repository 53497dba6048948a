#include "base/Platform.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstring>

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
