#pragma once

#include "devsim/SimulatedDevice.h"
#include "platform/UniqueFd.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

namespace lorvena::devsim {

// The sockets replies leave from. A device whose address is configured in
// this network namespace (the lab adds each as an alias) gets a socket bound
// to it, so its replies carry its own source address as a real device's do;
// the others reply from the listening socket. Devices sharing an address
// share its socket. All are opened once, before the first request, so a
// search of thousands of devices is a plain burst of sends; a device that
// changes its address moves to a socket on the new one.
class ReplySockets {
public:
    // Opens at most `budget` sockets.
    void open(const std::vector<SimulatedDevice>& devices, std::size_t budget);

    // The socket for device `index`, or -1 to use the listening socket.
    int socketFor(std::size_t index) const { return index < perDevice_.size() ? perDevice_[index] : -1; }
    std::size_t openCount() const { return openCount_.load(); } // thread-safe

    // Device `index` has moved from `oldAddress` to `newAddress`: it shares
    // or binds a socket there. Returns the old address's socket when no
    // device uses it any more, so the caller can send a last reply from it
    // before closing it.
    UniqueFd move(std::size_t index, std::uint32_t oldAddress, std::uint32_t newAddress);

    // Thousands of aliases need thousands of descriptors: lifts the soft
    // limit towards `wanted` (at most to the hard one) and returns the limit
    // now in force.
    static std::size_t raiseDescriptorLimit(std::size_t wanted);

private:
    struct Shared {
        UniqueFd socket; // invalid: the address is not configured here (or no descriptor was left)
        std::size_t users = 0;
    };

    static UniqueFd bound(std::uint32_t address);

    std::unordered_map<std::uint32_t, Shared> byAddress_;
    std::vector<int> perDevice_;
    std::vector<std::uint32_t> addressOf_;
    std::atomic<std::size_t> openCount_ {0};
};

} // namespace lorvena::devsim
