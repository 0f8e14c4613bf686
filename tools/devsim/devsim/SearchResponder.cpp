#include "devsim/SearchResponder.h"

#include "devsim/FaultInjector.h"
#include "devsim/ReplyBuilder.h"

#include <sys/socket.h>

namespace lorvena::devsim {

namespace {

bool sendTo(int socket, ByteView bytes, const sockaddr_in& destination)
{
    // A failed send is a lost datagram, as on a real network; nothing to do.
    return sendto(socket, bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&destination),
               sizeof destination)
        >= 0;
}

} // namespace

SearchResponder::SearchResponder(const std::vector<SimulatedDevice>& devices) : devices_(devices)
{
    replies_.reserve(devices.size());
    for (const SimulatedDevice& device : devices) {
        ReplyBuilder builder(device);
        replies_.push_back({builder.build(Generation::Old), builder.build(Generation::Basic),
            builder.build(Generation::Extended)});
    }
}

void SearchResponder::refresh(std::size_t index)
{
    ReplyBuilder builder(devices_[index]);
    replies_[index] = {builder.build(Generation::Old), builder.build(Generation::Basic),
        builder.build(Generation::Extended)};
}

int SearchResponder::socketFor(std::size_t index, int sharedSocket) const
{
    int socket = sockets_.socketFor(index);
    return socket < 0 ? sharedSocket : socket;
}

std::size_t SearchResponder::answer(Generation generation, ByteView request, const sockaddr_in& destination,
    int sharedSocket)
{
    std::size_t sent = 0;
    for (std::size_t i = 0; i < devices_.size(); ++i) {
        const SimulatedDevice& device = devices_[i];
        if (!device.answers(generation))
            continue;
        int socket = socketFor(i, sharedSocket);
        const std::vector<std::uint8_t>& good = replies_[i][static_cast<std::size_t>(generation)];
        for (const Fault& fault : device.faults)
            sent += sendTo(socket, FaultInjector::datagram(fault, good, request), destination) ? 1 : 0;
        if (!device.replaceGoodReply)
            sent += sendTo(socket, good, destination) ? 1 : 0;
    }
    return sent;
}

} // namespace lorvena::devsim
