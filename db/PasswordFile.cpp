#include "db/PasswordFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "base/Platform.h"
#include "db/Error.h"

namespace db {
namespace {

// Closes the descriptor when the reading ends, however it ends.
struct FileDescriptor {
    int fd;
    ~FileDescriptor() {
        if (fd >= 0) ::close(fd);
    }
};

std::string octalMode(mode_t mode) {
    char text[8];
    std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode & 07777));
    return text;
}

[[noreturn]] void refuse(const std::string& path, const std::string& why) {
    throw Error("Password file '" + path + "' " + why);
}

// Named where it really is, the file whose owner or mode is to be changed.
[[noreturn]] void refuseUnreadable(const std::string& path, int error) {
    refuse(base::linkResolvedPath(path), base::readRefusalText(error));
}

// The file must be its owner's alone; the mode is asked of the open file, so that
// what is checked is what is read.
void checkOwnerOnly(const std::string& path, const struct stat& st) {
    if (!S_ISREG(st.st_mode)) refuse(path, "is not a regular file");
    if ((st.st_mode & (S_IRWXG | S_IRWXO)) == 0) return;
    const bool readable = (st.st_mode & (S_IRGRP | S_IROTH)) != 0;
    refuse(path, std::string(readable ? "is readable" : "is writable") + " by others (mode " +
                     octalMode(st.st_mode) + "); make it readable by its owner only (chmod 600 " +
                     path + ")");
}

std::string firstLine(const std::string& path, int fd) {
    std::string line;
    char buffer[512];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) refuseUnreadable(path, errno);
        if (n == 0) break;
        line.append(buffer, static_cast<size_t>(n));
        if (line.find('\n') != std::string::npos) break;
    }
    line = line.substr(0, line.find('\n'));
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

}  // namespace

std::string passwordFilePath(const std::string& value, const std::string& connectionsFile) {
    namespace fs = std::filesystem;
    const fs::path named(value);
    if (named.is_absolute()) return value;
    std::error_code ec;
    fs::path connections = fs::canonical(connectionsFile, ec);
    if (ec) connections = fs::absolute(connectionsFile, ec);
    return (connections.parent_path() / named).string();
}

std::string readPasswordFile(const std::string& path) {
    // O_NONBLOCK: a FIFO in the file's place is refused instead of waited on.
    const FileDescriptor file{::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK)};
    if (file.fd < 0) {
        const int error = errno;
        if (error == ENOENT) refuse(path, "not found");
        refuseUnreadable(path, error);
    }
    struct stat st {};
    if (::fstat(file.fd, &st) != 0) refuseUnreadable(path, errno);
    checkOwnerOnly(path, st);
    std::string password = firstLine(path, file.fd);
    if (password.empty()) refuse(path, "holds no password on its first line");
    return password;
}

}  // namespace db
