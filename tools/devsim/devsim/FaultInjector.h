#pragma once

#include "devsim/SimulatedDevice.h"
#include "discovery/WireBytes.h"

#include <cstdint>
#include <vector>

namespace lorvena::devsim {

// Turns a device's good reply into the bad datagram a fault asks for.
class FaultInjector {
public:
    static std::vector<std::uint8_t> datagram(const Fault& fault, ByteView goodReply, ByteView request);
};

} // namespace lorvena::devsim
