#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace lorvena::devsim {

// One IPv4 address configured on an interface of this network namespace.
struct ConfiguredAddress {
    std::uint32_t address = 0; // host byte order
    std::uint8_t prefixLength = 32;
    int interfaceIndex = 0;
    bool secondary = false; // another address of its subnet came first
    bool loopback = false;  // on a loopback interface
};

// The namespace's IPv4 addresses over rtnetlink (needs CAP_NET_ADMIN to
// change them). A device that moves takes its alias along, the way the lab
// gave it one: the new address is added on the interface that holds the old
// one, and the old one is removed once no device uses it.
class InterfaceAddresses {
public:
    static bool list(std::vector<ConfiguredAddress>& addresses, std::string& error);
    static bool add(int interfaceIndex, std::uint32_t address, std::uint8_t prefixLength, std::string& error);
    static bool remove(const ConfiguredAddress& address, std::string& error);

    // Gives `to` an alias on the interface holding `from` when `from` is
    // configured on a non-loopback interface and `to` is configured nowhere:
    // with `from`'s prefix length when inside its subnet, else /32. Returns
    // `from`'s entry when it may be removed later (`release`): a secondary
    // or /32 address, never an interface's primary address (removing that
    // would take the secondaries of its subnet along). Loopback addresses
    // and addresses not configured here are left alone: all of 127/8 is
    // local anyway.
    static std::optional<ConfiguredAddress> moveAlias(std::uint32_t from, std::uint32_t to, std::string& error);
};

} // namespace lorvena::devsim
