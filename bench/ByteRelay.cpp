#include "bench/ByteRelay.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>
#include <vector>

namespace bench {
namespace {

sockaddr_in loopback(int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    return address;
}

// One relayed connection: the client's socket and the server's.
struct Link {
    int client;
    int server;
};

// Moves what is waiting on from to to; false when from has closed or failed.
bool pump(int from, int to, std::atomic<uint64_t>& counted) {
    char buffer[65536];
    const ssize_t n = ::recv(from, buffer, sizeof buffer, 0);
    if (n <= 0) return false;
    for (ssize_t sent = 0; sent < n;) {
        const ssize_t m = ::send(to, buffer + sent, static_cast<size_t>(n - sent), MSG_NOSIGNAL);
        if (m <= 0) return false;
        sent += m;
    }
    counted += static_cast<uint64_t>(n);
    return true;
}

}  // namespace

ByteRelay::ByteRelay(int serverPort) : serverPort_(serverPort) {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address = loopback(0);
    socklen_t length = sizeof address;
    if (listener_ < 0 || ::bind(listener_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        ::listen(listener_, 64) != 0 ||
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
        ::pipe2(stopPipe_, O_CLOEXEC) != 0) {
        throw std::runtime_error("the byte relay cannot listen on loopback");
    }
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { serve(); });
}

ByteRelay::~ByteRelay() {
    const char stop = 0;
    if (::write(stopPipe_[1], &stop, 1) != 1) {
        // The thread then ends with the process.
    }
    if (thread_.joinable()) thread_.join();
    for (int fd : {listener_, stopPipe_[0], stopPipe_[1]}) {
        if (fd >= 0) ::close(fd);
    }
}

void ByteRelay::serve() {
    std::vector<Link> links;
    for (;;) {
        std::vector<pollfd> fds{{stopPipe_[0], POLLIN, 0}, {listener_, POLLIN, 0}};
        for (const Link& l : links) {
            fds.push_back({l.client, POLLIN, 0});
            fds.push_back({l.server, POLLIN, 0});
        }
        if (::poll(fds.data(), fds.size(), -1) < 0) continue;
        if (fds[0].revents) break;
        if (fds[1].revents & POLLIN) {
            const int client = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
            const int server = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
            const sockaddr_in to = loopback(serverPort_);
            if (client >= 0 && server >= 0 &&
                ::connect(server, reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0) {
                links.push_back({client, server});
            } else {
                for (int fd : {client, server}) {
                    if (fd >= 0) ::close(fd);
                }
            }
            continue;  // the link list changed; poll again
        }
        std::vector<Link> open;
        for (size_t i = 0; i < links.size(); ++i) {
            const Link& l = links[i];
            const short fromClient = fds[2 + 2 * i].revents, fromServer = fds[3 + 2 * i].revents;
            const bool alive = (!fromClient || pump(l.client, l.server, toServer_)) &&
                               (!fromServer || pump(l.server, l.client, fromServer_));
            if (alive) {
                open.push_back(l);
            } else {
                ::close(l.client);
                ::close(l.server);
            }
        }
        links = std::move(open);
    }
    for (const Link& l : links) {
        ::close(l.client);
        ::close(l.server);
    }
}

}  // namespace bench
