#pragma once

#include "platform/UniqueFd.h"

#include <sys/socket.h>
#include <sys/types.h>

#include <chrono>
#include <cstddef>
#include <cstdint>

namespace lorvena {

// The product's time-outs are all 20 s; tests shorten them.
struct TcpTimeouts {
    std::chrono::milliseconds connect {20000};
    std::chrono::milliseconds send {20000};
    std::chrono::milliseconds receive {20000};
};

// One TCP connection for the firmware upload: creation with fixed send and
// receive time-outs, a connect bounded in time, single receives and closing.
// Sending is the caller's, with send() on descriptor(); pass MSG_NOSIGNAL so
// that a device hanging up cannot raise SIGPIPE.
class TcpClient {
public:
    // The most one Receive takes; callers' buffers hold at least this much.
    static constexpr std::size_t receiveBytes = 1024;

    explicit TcpClient(TcpTimeouts timeouts = {});

    // A stream socket of `family` with the send and receive time-outs set.
    // False, with no socket kept, when either step fails.
    bool Create(int family);
    // False when refused, failed or not made within the connect time-out; the
    // socket then stays open for the caller to Close.
    bool Connect(const sockaddr* address, socklen_t length);
    // One recv of up to receiveBytes into `buffer`; `count` gets its result.
    // True for data and for a closed connection (count 0); false on error or
    // when the receive time-out passes.
    bool Receive(std::uint8_t* buffer, ssize_t& count);
    // Harmless when there is no socket, so it may be called repeatedly.
    void Close();

    int descriptor() const { return descriptor_.get(); }
    const TcpTimeouts& timeouts() const { return timeouts_; }

private:
    UniqueFd descriptor_;
    TcpTimeouts timeouts_;
};

} // namespace lorvena
