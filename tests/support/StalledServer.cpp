#include "tests/support/StalledServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

namespace testsupport {

StalledServer::StalledServer() {
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (fd_ < 0 || ::bind(fd_, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
        ::listen(fd_, 64) != 0 ||
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        if (fd_ >= 0) ::close(fd_);
        throw std::runtime_error("no loopback port to listen on");
    }
    port_ = ntohs(address.sin_port);
}

StalledServer::~StalledServer() {
    ::close(fd_);
}

std::string StalledServer::databaseName(const std::string& path) const {
    return "localhost/" + std::to_string(port_) + ":" + path;
}

}  // namespace testsupport
