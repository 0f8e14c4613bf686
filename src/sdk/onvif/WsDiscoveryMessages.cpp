#include "sdk/onvif/WsDiscoveryMessages.h"

#include "platform/TextCase.h"
#include "platform/TextNumbers.h"
#include "sdk/onvif/OnvifAccess.h"
#include "sdk/onvif/OnvifNamespaces.h"
#include "sdk/onvif/SoapXml.h"

#include <arpa/inet.h>

#include <cctype>
#include <charconv>
#include <cstdio>
#include <random>
#include <sstream>

namespace lorvena::onvif {

namespace {

std::vector<std::string> splitWords(std::string_view text)
{
    std::vector<std::string> words;
    std::istringstream stream {std::string(text)};
    std::string word;
    while (stream >> word)
        words.push_back(word);
    return words;
}

std::string_view localPart(std::string_view qname)
{
    std::size_t colon = qname.rfind(':');
    return colon == std::string_view::npos ? qname : qname.substr(colon + 1);
}

} // namespace

std::string BuildProbe(ProbeType type, std::string_view messageId)
{
    const char* types = type == ProbeType::VideoTransmitter ? "dn:NetworkVideoTransmitter" : "tds:Device";
    std::string probe;
    probe.reserve(1024);
    probe += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
             "<s:Envelope xmlns:s=\"";
    probe += ns::soapEnvelope;
    probe += "\" xmlns:a=\"";
    probe += ns::addressing;
    probe += "\" xmlns:d=\"";
    probe += ns::discovery;
    probe += "\" xmlns:dn=\"";
    probe += ns::network;
    probe += "\" xmlns:tds=\"";
    probe += ns::device;
    probe += "\"><s:Header><a:Action s:mustUnderstand=\"1\">";
    probe += ns::probeAction;
    probe += "</a:Action><a:MessageID>";
    probe += XmlEscape(messageId);
    probe += "</a:MessageID><a:ReplyTo><a:Address>";
    probe += ns::anonymousRole;
    probe += "</a:Address></a:ReplyTo><a:To s:mustUnderstand=\"1\">";
    probe += ns::discoveryTo;
    probe += "</a:To></s:Header><s:Body><d:Probe><d:Types>";
    probe += types;
    probe += "</d:Types></d:Probe></s:Body></s:Envelope>";
    return probe;
}

std::string NewMessageId()
{
    static thread_local std::mt19937_64 generator {std::random_device {}()};
    std::uint64_t high = generator();
    std::uint64_t low = generator();
    high = (high & 0xFFFFFFFFFFFF0FFFull) | 0x0000000000004000ull;
    low = (low & 0x3FFFFFFFFFFFFFFFull) | 0x8000000000000000ull;
    char text[64];
    std::snprintf(text, sizeof text, "urn:uuid:%08x-%04x-%04x-%04x-%012llx", static_cast<unsigned>(high >> 32),
        static_cast<unsigned>((high >> 16) & 0xFFFF), static_cast<unsigned>(high & 0xFFFF),
        static_cast<unsigned>(low >> 48), static_cast<unsigned long long>(low & 0xFFFFFFFFFFFFull));
    return text;
}

std::vector<ProbeMatch> ParseProbeMatches(std::string_view datagram)
{
    std::vector<ProbeMatch> matches;
    pugi::xml_document document;
    if (ParseDeviceXml(datagram, document) != XmlVerdict::Parsed)
        return matches;
    pugi::xml_node list = Child(SoapBody(document), "ProbeMatches");
    for (pugi::xml_node node = list.first_child(); node; node = node.next_sibling()) {
        if (node.type() != pugi::node_element || LocalName(node) != "ProbeMatch")
            continue;
        ProbeMatch match;
        match.endpoint = TrimmedText(Path(node, {"EndpointReference", "Address"}));
        match.types = splitWords(Child(node, "Types").child_value());
        match.scopes = splitWords(Child(node, "Scopes").child_value());
        match.xaddrs = splitWords(Child(node, "XAddrs").child_value());
        if (match.endpoint.empty() && match.xaddrs.empty())
            continue;
        matches.push_back(std::move(match));
    }
    return matches;
}

std::optional<ServiceAddress> ParseServiceUrl(std::string_view url)
{
    constexpr std::string_view scheme = "http://";
    if (url.size() < scheme.size() || !equalsIgnoringCase(url.substr(0, scheme.size()), scheme))
        return std::nullopt;
    url.remove_prefix(scheme.size());
    std::size_t slash = url.find('/');
    std::string_view authority = url.substr(0, slash);
    ServiceAddress service;
    service.path = slash == std::string_view::npos ? "/" : std::string(url.substr(slash));
    std::size_t colon = authority.find(':');
    std::string host(authority.substr(0, colon));
    if (colon != std::string_view::npos) {
        std::string_view portText = authority.substr(colon + 1);
        unsigned port = 0;
        auto [end, error] = std::from_chars(portText.data(), portText.data() + portText.size(), port);
        if (error != std::errc() || end != portText.data() + portText.size() || port == 0 || port > 65535)
            return std::nullopt;
        service.port = static_cast<std::uint16_t>(port);
    }
    in_addr address {};
    if (inet_pton(AF_INET, host.c_str(), &address) != 1)
        return std::nullopt;
    service.address = ntohl(address.s_addr);
    return service;
}

ServiceAddress ChooseServiceAddress(const ProbeMatch& match, std::uint32_t sourceAddress)
{
    for (const std::string& xaddr : match.xaddrs) {
        std::optional<ServiceAddress> service = ParseServiceUrl(xaddr);
        if (service && service->address == sourceAddress)
            return *service;
    }
    ServiceAddress fallback;
    fallback.address = sourceAddress;
    fallback.path = ns::defaultDeviceServicePath;
    return fallback;
}

std::string PercentDecode(std::string_view text)
{
    std::string decoded;
    decoded.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            int high = hexDigitValue(text[i + 1]);
            int low = hexDigitValue(text[i + 2]);
            if (high >= 0 && low >= 0) {
                decoded += static_cast<char>(high * 16 + low);
                i += 2;
                continue;
            }
        }
        decoded += text[i];
    }
    return decoded;
}

std::string NameFromScopes(const std::vector<std::string>& scopes)
{
    for (std::string_view prefix : {std::string_view(ns::nameScope), std::string_view(ns::hardwareScope)}) {
        for (const std::string& scope : scopes) {
            if (scope.size() > prefix.size() && scope.compare(0, prefix.size(), prefix) == 0)
                return PercentDecode(std::string_view(scope).substr(prefix.size()));
        }
    }
    return {};
}

std::int32_t TypeCodeFor(const std::vector<std::string>& types)
{
    bool storage = false;
    bool transmitter = false;
    for (const std::string& type : types) {
        std::string_view local = localPart(type);
        transmitter = transmitter || local == "NetworkVideoTransmitter";
        storage = storage || local == "NetworkVideoStorage";
    }
    if (transmitter)
        return LS_NET_TYPE_VIDEO_TRANSMITTER;
    if (storage)
        return LS_NET_TYPE_VIDEO_STORAGE;
    return LS_NET_TYPE_OTHER;
}

} // namespace lorvena::onvif
