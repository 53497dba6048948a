#include "tests/support/PrivateServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>
#include <vector>

namespace testsupport {
namespace {

namespace fs = std::filesystem;

const char* kServerBinary = "/usr/sbin/firebird";
const char* kInstalledRoot = "/usr/lib/x86_64-linux-gnu/firebird/3.0";
const char* kSecurityDatabase = "/var/lib/firebird/3.0/system/security3.fdb";

bool accepts(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) return false;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return ok;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

int unusedLoopbackPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        if (fd >= 0) ::close(fd);
        throw std::runtime_error("no free loopback port");
    }
    ::close(fd);
    return ntohs(address.sin_port);
}

bool PrivateServer::available() {
    return fs::exists(kServerBinary) && fs::exists(kInstalledRoot) && fs::exists(kSecurityDatabase);
}

PrivateServer::PrivateServer() {
    if (!available()) throw std::runtime_error("the Firebird server is not installed");
    std::string pattern = (fs::temp_directory_path() / "olvarin-server-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("cannot make a folder for the server");
    folder_ = pattern;
    for (const char* entry : {"firebird.msg", "intl", "plugins", "lib", "UDF", "plugins.conf"}) {
        fs::create_symlink(fs::path(kInstalledRoot) / entry, fs::path(folder_) / entry);
    }
    fs::create_directory(folder_ + "/lock");
    fs::copy_file(kSecurityDatabase, folder_ + "/security3.fdb");
    port_ = unusedLoopbackPort();
    std::ofstream(folder_ + "/firebird.conf")
        << "RemoteServicePort = " << port_ << "\n"
        << "RemoteBindAddress = localhost\n"
        << "SecurityDatabase = " << folder_ << "/security3.fdb\n";
}

PrivateServer::~PrivateServer() {
    stop();
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
}

void PrivateServer::start() {
    if (running()) return;
    const std::string log = folder_ + "/server.log";
    // Everything the child needs is made before fork: after it, in a process with
    // threads, only async-signal-safe calls are sound.
    std::vector<std::string> environment;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        if (entry.rfind("FIREBIRD=", 0) != 0 && entry.rfind("FIREBIRD_LOCK=", 0) != 0)
            environment.push_back(entry);
    }
    environment.push_back("FIREBIRD=" + folder_);
    environment.push_back("FIREBIRD_LOCK=" + folder_ + "/lock");
    std::vector<char*> envp;
    for (auto& entry : environment) envp.push_back(entry.data());
    envp.push_back(nullptr);
    const int logFd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);

    const pid_t pid = ::fork();
    if (pid < 0) throw std::runtime_error("cannot start the server");
    if (pid == 0) {
        if (logFd >= 0) {
            ::dup2(logFd, 1);
            ::dup2(logFd, 2);
        }
        ::execle(kServerBinary, kServerBinary, static_cast<char*>(nullptr), envp.data());
        ::_exit(127);
    }
    if (logFd >= 0) ::close(logFd);
    pid_ = pid;
    for (int i = 0; i < 100; ++i) {
        if (accepts(port_)) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    stop();
    throw std::runtime_error("the private Firebird server did not start: " + readFile(log));
}

void PrivateServer::stop() {
    if (!running()) return;
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
    pid_ = 0;
    // Its worker processes, if any, go with their listener; wait until the port is free.
    for (int i = 0; i < 100 && accepts(port_); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

std::string PrivateServer::databaseName(const std::string& path) const {
    return "localhost/" + std::to_string(port_) + ":" + path;
}

}  // namespace testsupport
