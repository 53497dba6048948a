#pragma once

#include <atomic>
#include <cstdint>
#include <thread>

namespace bench {

// A TCP relay on a loopback port of its own that forwards every connection to a
// server's loopback port and counts the bytes each way: the traffic between the
// engine and headquarters, apart from everybody else's on the loopback interface.
// Its thread runs from construction until destruction.
class ByteRelay {
  public:
    explicit ByteRelay(int serverPort);
    ~ByteRelay();
    ByteRelay(const ByteRelay&) = delete;
    ByteRelay& operator=(const ByteRelay&) = delete;

    int port() const { return port_; }
    uint64_t bytesToServer() const { return toServer_.load(); }
    uint64_t bytesFromServer() const { return fromServer_.load(); }

  private:
    void serve();

    int serverPort_;
    int listener_ = -1;
    int port_ = 0;
    int stopPipe_[2] = {-1, -1};
    std::atomic<uint64_t> toServer_{0};
    std::atomic<uint64_t> fromServer_{0};
    std::thread thread_;
};

}  // namespace bench
