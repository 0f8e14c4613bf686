#pragma once

#include "devsim/SimulatedDevice.h"
#include "platform/UniqueFd.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace lorvena::devsim {

// The sockets replies leave from. A device whose address is configured in
// this network namespace (the lab adds each as an alias) gets a socket bound
// to it, so its replies carry its own source address as a real device's do;
// the others reply from the listening socket. Devices sharing an address
// share its socket. All are opened once, before the first request, so a
// search of thousands of devices is a plain burst of sends.
class ReplySockets {
public:
    void open(const std::vector<SimulatedDevice>& devices);

    // The socket for device `index`, or -1 to use the listening socket.
    int socketFor(std::size_t index) const { return index < perDevice_.size() ? perDevice_[index] : -1; }
    std::size_t openCount() const { return sockets_.size(); }

private:
    // Thousands of aliases need thousands of descriptors: lift the soft limit
    // towards `wanted` (at most to the hard one) and return the limit now in
    // force. Devices past it, less a reserve for everything else the process
    // opens, fall back to the listening socket.
    static std::size_t raiseDescriptorLimit(std::size_t wanted);

    std::vector<UniqueFd> sockets_;
    std::vector<int> perDevice_;
};

} // namespace lorvena::devsim
