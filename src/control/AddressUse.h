#pragma once

#include "discovery/DeviceTable.h"
#include "discovery/InterfaceSockets.h"
#include "platform/IcmpEcho.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace lorvena {

// A device the list knows of: a row, or one the duplicate rules kept off the
// list at a row's address.
struct KnownDevice {
    std::string ip;
    std::string mac;
    std::string name;
};

// Every device of the table, rows first. Taken on the window's thread: the
// check below may run on another.
std::vector<KnownDevice> ListKnownDevices(const DeviceTable& table);

// Whether a host answers at an address. Tests script it.
class AddressPing {
public:
    virtual ~AddressPing() = default;
    virtual EchoResult ping(const std::string& ip, std::chrono::milliseconds timeout) = 0;
};

// One ICMP echo through a datagram socket: it needs no privilege where the
// system's ping_group_range admits us, and the tool asks for none just to
// look before a change. The echo goes out only while `addresses` gives a
// local address, as every search and request of the tool does: with none,
// nobody answers.
class IcmpAddressPing final : public AddressPing {
public:
    explicit IcmpAddressPing(AddressSource addresses) : addresses_(std::move(addresses)) {}
    EchoResult ping(const std::string& ip, std::chrono::milliseconds timeout) override;

private:
    AddressSource addresses_;
};

enum class AddressHolder {
    Nobody,
    Listed,    // a known device with another MAC
    Answering, // not known, but a host answers an echo there
};

struct AddressUse {
    AddressHolder holder = AddressHolder::Nobody;
    // The listed device: its MAC and name.
    std::string who;
    // No ICMP socket could be opened: a host that is not listed was not
    // looked for.
    bool notPinged = false;

    bool inUse() const { return holder != AddressHolder::Nobody; }
};

// Who else holds an address a change is about to give. Copyable, and safe
// to use from any thread: it holds its own copy of the list.
class AddressUseCheck {
public:
    // `ping` null: only the list is looked at.
    AddressUseCheck(std::vector<KnownDevice> known, AddressPing* ping, std::chrono::milliseconds pingWait);

    // A known device with another MAC than `ownMac` at `address`, else a host
    // answering an echo there (when `pinging`).
    enum class Pinging { Yes, No };
    AddressUse check(std::uint32_t address, std::string_view ownMac, Pinging pinging = Pinging::Yes) const;

private:
    std::vector<KnownDevice> known_;
    AddressPing* ping_;
    std::chrono::milliseconds pingWait_;
};

} // namespace lorvena
