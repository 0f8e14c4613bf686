#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace lorvena::devsim::onvif {

// Ways a simulated device misbehaves, in its discovery answers and in every
// SOAP answer alike.
enum class HostileMode {
    None,
    HugeReply,    // a reply far beyond any sane size (1 MiB over HTTP, a full datagram over UDP)
    MalformedXml, // the answer cut off in the middle
    Doctype,      // the answer behind a DOCTYPE declaring entities
};

// One simulated ONVIF device as configured.
struct OnvifDeviceConfig {
    std::string address;         // dotted IPv4 it serves on (and answers unicast probes to)
    std::uint16_t httpPort = 80;
    int prefixLength = 24;
    std::string gateway;
    std::string dns;
    bool dhcp = false;

    std::string name = "Camera";           // the name scope, percent-encoded on the wire
    std::string hardware = "SIM-ONVIF";    // the hardware scope and the model
    std::string macAddress = "02:4F:4E:00:00:01"; // HwAddress of its interface
    std::string endpoint;                  // "urn:uuid:..."; made up from the address when empty
    std::string userName = "admin";
    std::string password = "admin";
    std::chrono::seconds clockOffset {0};  // its clock minus the true time

    bool videoTransmitter = true; // announces dn:NetworkVideoTransmitter besides tds:Device
    bool answersMulticast = true; // false: only a unicast probe to its address reaches it
    bool anonymousReads = false;  // the Get operations (except the clock) work without credentials
    bool rebootNeeded = true;     // SetNetworkInterfaces takes effect at SystemReboot; else at once
    HostileMode hostile = HostileMode::None;
};

// What a device runs with now.
struct OnvifDeviceState {
    // Where it serves: changes when a new setting takes effect.
    std::string servingAddress;
    std::uint16_t servingPort = 80;
    // The settings as configured; those of the interface and the HTTP port
    // take effect at the next reboot when the device asks for one.
    std::string address;
    std::uint16_t httpPort = 80;
    int prefixLength = 24;
    std::string gateway;
    std::string dns;
    bool dhcp = false;
    unsigned reboots = 0;
};

OnvifDeviceState InitialState(const OnvifDeviceConfig& config);

} // namespace lorvena::devsim::onvif
