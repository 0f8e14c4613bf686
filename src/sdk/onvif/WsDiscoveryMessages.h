#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lorvena::onvif {

// The device types we probe for, one Probe each: a Probe matches only devices
// that have every type it lists, and recorders often announce tds:Device alone.
enum class ProbeType { VideoTransmitter, Device };

// A Probe of the 2005/04 WS-Discovery, with every namespace declared on the
// Envelope (some devices ignore declarations made further in).
std::string BuildProbe(ProbeType type, std::string_view messageId);

// A fresh "urn:uuid:..." (random, version 4).
std::string NewMessageId();

struct ProbeMatch {
    std::string endpoint;              // EndpointReference/Address, the device's stable identity
    std::vector<std::string> types;    // QNames as sent ("dn:NetworkVideoTransmitter")
    std::vector<std::string> scopes;   // URIs
    std::vector<std::string> xaddrs;   // transport addresses of the device service
};

// Every ProbeMatch of a ProbeMatches message; empty when the datagram is none
// (malformed, a DOCTYPE, another message). A match without endpoint and
// without XAddrs is useless and dropped.
std::vector<ProbeMatch> ParseProbeMatches(std::string_view datagram);

// A device service address we can reach over IPv4.
struct ServiceAddress {
    std::uint32_t address = 0; // host byte order
    std::uint16_t port = 80;
    std::string path = "/";
};

// "http://a.b.c.d[:port][/path]"; nullopt for https, host names and IPv6.
std::optional<ServiceAddress> ParseServiceUrl(std::string_view url);

// The device service to use: the first XAddr on `sourceAddress` (the
// answer's sender), else the sender on port 80 with the usual path. A device
// registers services on its own address only: an XAddr naming another host
// would have the login's credentials sent there.
ServiceAddress ChooseServiceAddress(const ProbeMatch& match, std::uint32_t sourceAddress);

// The decoded name scope; else the hardware scope; else empty.
std::string NameFromScopes(const std::vector<std::string>& scopes);

// "%20" and friends; a broken escape is kept as it stands.
std::string PercentDecode(std::string_view text);

// LS_NET_TYPE_* by the announced types (compared by local name).
std::int32_t TypeCodeFor(const std::vector<std::string>& types);

} // namespace lorvena::onvif
