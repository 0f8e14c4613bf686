#include "discovery/DatagramBatch.h"

#include "discovery/InterfaceSockets.h"

#include <sys/uio.h>

#include <algorithm>
#include <cstring>

namespace lorvena {

DatagramBatch::DatagramBatch(std::size_t capacity, std::size_t datagramSize)
    : datagramSize_(datagramSize), buffers_(capacity, ReplyBuffer(datagramSize)), data_(capacity), notes_(capacity),
      headers_(capacity)
{
}

int DatagramBatch::receive(InterfaceSocket& entry, std::size_t wanted)
{
    const std::size_t count = std::min(wanted, capacity());
    for (std::size_t i = 0; i < count; ++i) {
        data_[i] = {buffers_[i].data(), buffers_[i].size()};
        msghdr& message = headers_[i].msg_hdr;
        message = {};
        message.msg_iov = &data_[i];
        message.msg_iovlen = 1;
        message.msg_control = notes_[i].bytes;
        message.msg_controllen = sizeof notes_[i].bytes;
        headers_[i].msg_len = 0;
    }
    const int received = recvmmsg(entry.socket, headers_.data(), static_cast<unsigned>(count), MSG_DONTWAIT, nullptr);
    for (int i = 0; i < received; ++i) {
        const auto index = static_cast<std::size_t>(i);
        ReplyBuffer& buffer = buffers_[index];
        // The buffer may hold an earlier datagram's bytes past this one's end.
        std::fill(buffer.begin() + static_cast<std::ptrdiff_t>(std::min<std::size_t>(length(index), buffer.size())),
            buffer.end(), std::uint8_t {0});
        msghdr& message = headers_[index].msg_hdr;
        for (cmsghdr* header = CMSG_FIRSTHDR(&message); header != nullptr; header = CMSG_NXTHDR(&message, header)) {
            if (header->cmsg_level == SOL_SOCKET && header->cmsg_type == SO_RXQ_OVFL)
                std::memcpy(&entry.droppedDatagrams, CMSG_DATA(header), sizeof entry.droppedDatagrams);
        }
    }
    return received;
}

ReplyBuffer DatagramBatch::take(std::size_t index)
{
    ReplyBuffer taken = std::move(buffers_[index]);
    buffers_[index] = ReplyBuffer(datagramSize_);
    return taken;
}

} // namespace lorvena
