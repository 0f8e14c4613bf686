#pragma once

#include "discovery/ReplyQueues.h"

#include <sys/socket.h>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace lorvena {

struct InterfaceSocket;

// Reads the datagrams waiting on a socket several at a time (one recvmmsg),
// each into a buffer of the reply size: a search makes every device answer
// at once, and a system call per datagram is most of what reading a burst
// costs. Belongs to one receive thread.
class DatagramBatch {
public:
    DatagramBatch(std::size_t capacity, std::size_t datagramSize);
    DatagramBatch(const DatagramBatch&) = delete;
    DatagramBatch& operator=(const DatagramBatch&) = delete;

    std::size_t capacity() const { return buffers_.size(); }

    // Reads at most `wanted` (up to capacity()) datagrams without waiting:
    // how many, or -1 with errno set when the first read failed (EAGAIN:
    // nothing waiting). Notes the socket's loss count when a datagram
    // carries it (the kernel attaches it once anything was lost).
    int receive(InterfaceSocket& entry, std::size_t wanted);

    // The `index`th datagram of the last receive: as many bytes as arrived,
    // at most the reply size.
    std::size_t length(std::size_t index) const { return headers_[index].msg_len; }
    // Its buffer, always of the reply size: a shorter datagram reads as
    // zeros past its end; a longer one was cut to the reply size.
    const ReplyBuffer& datagram(std::size_t index) const { return buffers_[index]; }
    // Hands its buffer over, a fresh one taking its place.
    ReplyBuffer take(std::size_t index);

private:
    struct LossNote {
        alignas(cmsghdr) char bytes[CMSG_SPACE(sizeof(std::uint32_t))];
    };

    std::size_t datagramSize_;
    std::vector<ReplyBuffer> buffers_;
    std::vector<iovec> data_;
    std::vector<LossNote> notes_;
    std::vector<mmsghdr> headers_;
};

} // namespace lorvena
