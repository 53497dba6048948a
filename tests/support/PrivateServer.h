#pragma once

#include <string>

// A Firebird server of a test's own, on a loopback port of its own, that the test
// may stop and start again: the headquarters that goes away and comes back. It
// runs /usr/sbin/firebird with a root folder, lock folder and copy of the security
// database (holding the test login OLVTEST/olvtest) in a temporary folder, so the
// shared test server on 3050 is never touched.
//
// A database this server has open must not be opened by anything else meanwhile
// (the embedded engine of a test included): its lock folder is its own, so nothing
// would stop the two from writing over each other. Stop the server first.
namespace testsupport {

class PrivateServer {
  public:
    // Prepares the folder and picks a free port; does not start the server.
    // Throws std::runtime_error when the Firebird server is not installed.
    PrivateServer();
    ~PrivateServer();  // stops the server and removes the folder
    PrivateServer(const PrivateServer&) = delete;
    PrivateServer& operator=(const PrivateServer&) = delete;

    // Starts the server and waits until it accepts connections; throws
    // std::runtime_error with its log when it does not within a few seconds.
    void start();
    // Kills the server at once (SIGKILL: its clients' links drop as they do when a
    // machine or a line goes away) and waits until it has ended and no longer listens.
    void stop();
    bool running() const { return pid_ > 0; }
    int pid() const { return pid_; }  // the server's process while it runs

    int port() const { return port_; }
    // "localhost/<port>:<path>", the way a branch names a database on this server.
    std::string databaseName(const std::string& path) const;

    // Whether this machine can run one (the server binary and its files exist).
    static bool available();

  private:
    std::string folder_;
    int port_ = 0;
    int pid_ = 0;
};

// A loopback port on which nothing listens.
int unusedLoopbackPort();

}  // namespace testsupport
