#include "tests/support/TestDatabases.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <stdexcept>

#include "tests/support/FbOracle.h"

namespace fs = std::filesystem;

namespace testsupport {

namespace {

uint64_t fnv1a(const std::string& text) {
    uint64_t h = 1469598103934665603ull;
    for (unsigned char c : text) {
        h ^= c;
        h *= 1099511628211ull;
    }
    return h;
}

std::string hex(uint64_t v) {
    char b[32];
    std::snprintf(b, sizeof b, "%016llx", static_cast<unsigned long long>(v));
    return b;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("TestDatabases: cannot read " + path);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void writeFile(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    if (!out) throw std::runtime_error("TestDatabases: cannot write " + path);
}

// Template database files, one per script text, built once per process in a cache
// folder of this process that is removed when the process ends.
class TemplateCache {
  public:
    static TemplateCache& instance() {
        static TemplateCache cache;
        return cache;
    }

    std::string templateFor(const std::string& sql) {
        std::lock_guard<std::mutex> lock(mutex_);
        const std::string key = hex(fnv1a(sql));
        if (auto it = files_.find(key); it != files_.end()) return it->second;
        if (dir_.empty()) {
            dir_ = "/tmp/olvarin-tmpl-" + std::to_string(getpid()) + "-" + key;
            fs::remove_all(dir_);
            fs::create_directories(dir_);
        }
        const std::string path = dir_ + "/" + key + ".fdb";
        fs::remove(path);
        auto attachment = fb::create(path);
        try {
            runStatements(attachment.get(), sql);
        } catch (...) {
            try {
                fb::detach(attachment);
            } catch (...) {
            }
            fs::remove(path);
            throw;
        }
        fb::detach(attachment);
        files_.emplace(key, path);
        return path;
    }

    ~TemplateCache() {
        std::error_code ec;
        if (!dir_.empty()) fs::remove_all(dir_, ec);
    }

  private:
    std::mutex mutex_;
    std::string dir_;
    std::map<std::string, std::string> files_;
};

std::string makeFolder() {
    char pattern[] = "/tmp/olvarin-test-XXXXXX";
    if (!mkdtemp(pattern)) throw std::runtime_error("TestDatabases: mkdtemp failed");
    // Open to the server too, should it run under its own account.
    fs::permissions(pattern, fs::perms::all, fs::perm_options::replace);
    return pattern;
}

void copyDatabase(const std::string& from, const std::string& to) {
    fs::copy_file(from, to, fs::copy_options::overwrite_existing);
    fs::permissions(to,
                    fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                        fs::perms::group_write | fs::perms::others_read | fs::perms::others_write,
                    fs::perm_options::replace);
}

}  // namespace

struct TestDatabases::Impl {
    std::string folder;
    fb::Ref<Firebird::IAttachment> source;
    fb::Ref<Firebird::IAttachment> target;
    bool throughServer = false;

    std::string sourcePath() const { return folder + "/hq.fdb"; }
    std::string targetPath() const { return folder + "/branch.fdb"; }

    Firebird::IAttachment* get(fb::Ref<Firebird::IAttachment>& slot, const std::string& path) {
        if (!slot) slot = fb::attach(throughServer ? "localhost:" + path : path);
        return slot.get();
    }
    void detachAll() {
        std::string firstError;
        for (auto* slot : {&source, &target}) {
            try {
                fb::detach(*slot);
            } catch (const std::exception& e) {
                if (firstError.empty()) firstError = e.what();
            }
        }
        if (!firstError.empty()) throw std::runtime_error(firstError);
    }
};

TestDatabases::TestDatabases()
    : TestDatabases(readFile(schemaDir() + "/tables.sql") + readFile(schemaDir() + "/queues.sql"),
                    readFile(schemaDir() + "/tables.sql")) {}

TestDatabases::TestDatabases(const std::string& sourceSql, const std::string& targetSql)
    : impl_(std::make_unique<Impl>()) {
    const std::string sourceTemplate = TemplateCache::instance().templateFor(sourceSql);
    const std::string targetTemplate = TemplateCache::instance().templateFor(targetSql);
    impl_->folder = makeFolder();
    copyDatabase(sourceTemplate, impl_->sourcePath());
    copyDatabase(targetTemplate, impl_->targetPath());
}

TestDatabases::~TestDatabases() {
    try {
        impl_->detachAll();
    } catch (...) {
    }
    std::error_code ec;
    fs::remove_all(impl_->folder, ec);
}

const std::string& TestDatabases::folder() const {
    return impl_->folder;
}
std::string TestDatabases::sourcePath() const {
    return impl_->sourcePath();
}
std::string TestDatabases::targetPath() const {
    return impl_->targetPath();
}

std::pair<std::string, std::string> TestDatabases::writeRegistry(
    const RegistryOptions& options) const {
    auto section = [](const std::string& name, const std::string& database,
                      const std::string& password = "olvtest") {
        return "[" + name +
               "]\n"
               "DriverName=Interbase\n"
               "Database=" +
               database +
               "\n"
               "RoleName=RoleName\n"
               "User_Name=OLVTEST\n"
               "Password=" +
               password +
               "\n"
               "ServerCharSet=UTF8\n"
               "SQLDialect=3\n"
               "BlobSize=-1\n"
               "CommitRetain=False\n"
               "WaitOnLocks=True\n"
               "ErrorResourceFile=\n"
               "LocaleCode=0000\n"
               "Interbase TransIsolation=ReadCommited\n"
               "Trim Char=False\n";
    };
    const std::string connections = impl_->folder + "/dbxconnections.ini";
    const std::string drivers = impl_->folder + "/dbxdrivers.ini";
    writeFile(
        connections,
        section("Dravonel", options.sourceDatabase.empty() ? sourcePath() : options.sourceDatabase,
                options.sourcePassword.empty() ? "olvtest" : options.sourcePassword) +
            "\n" +
            section("Corvane",
                    options.targetDatabase.empty() ? targetPath() : options.targetDatabase));
    writeFile(drivers,
              "[Interbase]\n"
              "LibraryName=" +
                  driverModulePath() +
                  "\n"
                  "GetDriverFunc=getSQLDriverINTERBASE\n"
                  "VendorLib=libfbclient.so.2\n");
    return {connections, drivers};
}

void TestDatabases::execSource(const std::string& sql) {
    fb::execute(impl_->get(impl_->source, sourcePath()), sql);
}
void TestDatabases::execTarget(const std::string& sql) {
    fb::execute(impl_->get(impl_->target, targetPath()), sql);
}
Rows TestDatabases::querySource(const std::string& sql) {
    return fb::query(impl_->get(impl_->source, sourcePath()), sql);
}
Rows TestDatabases::queryTarget(const std::string& sql) {
    return fb::query(impl_->get(impl_->target, targetPath()), sql);
}

void TestDatabases::detachAll() {
    impl_->detachAll();
}

void TestDatabases::attachThroughServer(bool on) {
    if (on == impl_->throughServer) return;
    impl_->detachAll();
    impl_->throughServer = on;
}

bool loopbackServerAvailable() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) return false;
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL, 0) | O_NONBLOCK);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(3050);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bool ok = false;
    if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) {
        ok = true;
    } else if (errno == EINPROGRESS) {
        pollfd p{fd, POLLOUT, 0};
        if (poll(&p, 1, 1000) == 1) {
            int error = 0;
            socklen_t len = sizeof error;
            ok = getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &len) == 0 && error == 0;
        }
    }
    close(fd);
    return ok;
}

std::string driverModulePath() {
    return OLVARIN_DRIVER_MODULE;
}

std::string schemaDir() {
    return OLVARIN_SCHEMA_DIR;
}

}  // namespace testsupport
