#pragma once

#include "devsim/ReplySockets.h"
#include "devsim/SimulatedDevice.h"
#include "discovery/WireBytes.h"

#include <netinet/in.h>

#include <array>
#include <cstdint>
#include <vector>

namespace lorvena::devsim {

// Answers search requests for every device. The good replies are built once
// and again only when a device's settings change; only the fault datagrams
// are made per request (one of them echoes the request).
class SearchResponder {
public:
    // `devices` must outlive the responder.
    explicit SearchResponder(const std::vector<SimulatedDevice>& devices);

    void openSockets(std::size_t budget) { sockets_.open(devices_, budget); }
    std::size_t ownSocketCount() const { return sockets_.openCount(); }
    ReplySockets& sockets() { return sockets_; }
    // Socket device `index` sends from: its own or `sharedSocket`.
    int socketFor(std::size_t index, int sharedSocket) const;

    // Device `index` changed its settings: rebuilds its replies.
    void refresh(std::size_t index);

    // Sends, for every device answering `generation`, its fault datagrams and
    // then its good reply (unless replaced) to `destination`. Returns how
    // many datagrams went out.
    std::size_t answer(Generation generation, ByteView request, const sockaddr_in& destination, int sharedSocket);

private:
    using Replies = std::array<std::vector<std::uint8_t>, generationCount>;

    const std::vector<SimulatedDevice>& devices_;
    std::vector<Replies> replies_;
    ReplySockets sockets_;
};

} // namespace lorvena::devsim
