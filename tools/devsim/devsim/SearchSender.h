#pragma once

#include "devsim/SimulatedDevice.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace lorvena::devsim {

// One search sent the way the tool sends it: from a socket bound to a local
// address, to the broadcast address by default.
struct SearchProbe {
    Generation generation = Generation::Basic;
    std::uint32_t from = 0; // host byte order; bound, and carried in old/basic requests
    std::uint32_t to = 0xFFFFFFFFu;
    std::uint16_t port = 6789;
    std::chrono::milliseconds wait {1000}; // how long to collect replies at most
    std::size_t expect = 0;                // stop once this many have arrived (0: wait it out)
};

struct ReceivedDatagram {
    std::uint32_t sourceAddress = 0; // host byte order
    std::uint16_t sourcePort = 0;
    std::vector<std::uint8_t> bytes;
};

// A small client for the lab's self-test and for in-process tests of the
// simulator. It is no substitute for the tool: it only collects datagrams.
class SearchSender {
public:
    static bool run(const SearchProbe& probe, std::vector<ReceivedDatagram>& received, std::string& error);

    // "<old|basic|extended|other> <source ip>:<port> <size> <ip text in the payload or ->"
    static std::string describe(const ReceivedDatagram& datagram);
};

} // namespace lorvena::devsim
