#pragma once

#include <string>

// A headquarters that takes the connection and never answers: a loopback port
// that listens (the system completes every connection) and never reads or
// writes. A client connecting to it waits for Firebird's first answer until its
// connect timeout.
namespace testsupport {

class StalledServer {
  public:
    // Listens on a free loopback port; throws std::runtime_error when it cannot.
    StalledServer();
    ~StalledServer();  // stops listening; the connections it held are reset
    StalledServer(const StalledServer&) = delete;
    StalledServer& operator=(const StalledServer&) = delete;

    int port() const { return port_; }
    // "localhost/<port>:<path>", the way a branch names headquarters' database.
    std::string databaseName(const std::string& path) const;

  private:
    int fd_ = -1;
    int port_ = 0;
};

}  // namespace testsupport
