#include "onvif/ProbeAnswer.h"

#include "sdk/onvif/OnvifNamespaces.h"
#include "sdk/onvif/SoapXml.h"
#include "sdk/onvif/WsDiscoveryMessages.h"

#include <cctype>
#include <cstdio>
#include <functional>
#include <sstream>

namespace lorvena::devsim::onvif {

namespace ns = lorvena::onvif::ns;
using lorvena::onvif::Child;
using lorvena::onvif::LocalName;
using lorvena::onvif::Path;
using lorvena::onvif::TrimmedText;
using lorvena::onvif::XmlEscape;

namespace {

// The namespace bound to `prefix` where `node` stands.
std::string namespaceFor(pugi::xml_node node, std::string_view prefix)
{
    std::string attribute = prefix.empty() ? "xmlns" : "xmlns:" + std::string(prefix);
    for (; node; node = node.parent()) {
        if (pugi::xml_attribute declared = node.attribute(attribute.c_str()))
            return declared.value();
    }
    return {};
}

std::string namespaceOf(const pugi::xml_node& element)
{
    std::string_view name = element.name();
    std::size_t colon = name.find(':');
    return namespaceFor(element, colon == std::string_view::npos ? std::string_view() : name.substr(0, colon));
}

std::vector<std::string> words(std::string_view text)
{
    std::vector<std::string> result;
    std::istringstream stream {std::string(text)};
    std::string word;
    while (stream >> word)
        result.push_back(word);
    return result;
}

std::string hostileDatagram(const std::string& good, HostileMode mode)
{
    switch (mode) {
    case HostileMode::None: return good;
    case HostileMode::HugeReply: return std::string(65000, '<');
    case HostileMode::MalformedXml: return good.substr(0, good.size() / 2);
    case HostileMode::Doctype: {
        std::string text = good;
        std::size_t declarationEnd = text.find("?>");
        text.insert(declarationEnd + 2,
            "<!DOCTYPE e [<!ENTITY a \"aaaaaaaaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;\">]>");
        return text;
    }
    }
    return good;
}

} // namespace

std::optional<ProbeRequest> ParseProbe(std::string_view datagram)
{
    pugi::xml_document document;
    if (lorvena::onvif::ParseDeviceXml(datagram, document) != lorvena::onvif::XmlVerdict::Parsed)
        return std::nullopt;
    pugi::xml_node envelope = document.document_element();
    pugi::xml_node probe = Child(lorvena::onvif::SoapBody(document), "Probe");
    if (!probe || namespaceOf(probe) != ns::discovery)
        return std::nullopt;
    ProbeRequest request;
    request.messageId = TrimmedText(Path(envelope, {"Header", "MessageID"}));
    pugi::xml_node types = Child(probe, "Types");
    for (const std::string& qname : words(types.child_value())) {
        std::size_t colon = qname.find(':');
        std::string prefix = colon == std::string::npos ? std::string() : qname.substr(0, colon);
        std::string local = colon == std::string::npos ? qname : qname.substr(colon + 1);
        request.types.emplace_back(namespaceFor(types, prefix), local);
    }
    request.scopes = words(Child(probe, "Scopes").child_value());
    return request;
}

std::vector<std::pair<std::string, std::string>> DeviceTypes(const OnvifDeviceConfig& config)
{
    std::vector<std::pair<std::string, std::string>> types;
    if (config.videoTransmitter)
        types.emplace_back(ns::network, "NetworkVideoTransmitter");
    types.emplace_back(ns::device, "Device");
    return types;
}

std::vector<std::string> DeviceScopes(const OnvifDeviceConfig& config)
{
    return {
        "onvif://www.onvif.org/type/video_encoder",
        "onvif://www.onvif.org/Profile/Streaming",
        std::string(ns::hardwareScope) + PercentEncode(config.hardware),
        std::string(ns::nameScope) + PercentEncode(config.name),
    };
}

bool ProbeMatchesDevice(const ProbeRequest& probe, const OnvifDeviceConfig& config)
{
    auto types = DeviceTypes(config);
    for (const auto& wanted : probe.types) {
        bool found = false;
        for (const auto& type : types)
            found = found || type == wanted;
        if (!found)
            return false;
    }
    auto scopes = DeviceScopes(config);
    for (const std::string& wanted : probe.scopes) {
        bool found = false;
        for (const std::string& scope : scopes)
            found = found || scope.compare(0, wanted.size(), wanted) == 0;
        if (!found)
            return false;
    }
    return true;
}

std::string PercentEncode(std::string_view text)
{
    std::string encoded;
    for (char c : text) {
        auto byte = static_cast<unsigned char>(c);
        if (std::isalnum(byte) || c == '-' || c == '.' || c == '_' || c == '~') {
            encoded += c;
        } else {
            char escape[4];
            std::snprintf(escape, sizeof escape, "%%%02X", byte);
            encoded += escape;
        }
    }
    return encoded;
}

std::string EndpointOf(const OnvifDeviceConfig& config)
{
    if (!config.endpoint.empty())
        return config.endpoint;
    // Stable per address, so repeated answers carry the same identity.
    std::size_t hash = std::hash<std::string> {}(config.address + ":" + config.hardware);
    char text[64];
    std::snprintf(text, sizeof text, "urn:uuid:4f4e5649-4600-4000-8000-%012llx",
        static_cast<unsigned long long>(hash & 0xFFFFFFFFFFFFull));
    return text;
}

std::string BuildProbeMatches(const ProbeRequest& probe, const OnvifDeviceConfig& config,
    const OnvifDeviceState& state, unsigned messageNumber)
{
    std::string types;
    if (config.videoTransmitter)
        types = "dn:NetworkVideoTransmitter ";
    types += "tds:Device";
    std::string scopes;
    for (const std::string& scope : DeviceScopes(config))
        scopes += (scopes.empty() ? "" : " ") + scope;

    std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";
    text += "<SOAP-ENV:Envelope xmlns:SOAP-ENV=\"" + std::string(ns::soapEnvelope) + "\" xmlns:wsa=\""
        + ns::addressing + "\" xmlns:wsd=\"" + ns::discovery + "\" xmlns:dn=\"" + ns::network
        + "\" xmlns:tds=\"" + ns::device + "\">";
    text += "<SOAP-ENV:Header><wsa:MessageID>" + lorvena::onvif::NewMessageId() + "</wsa:MessageID>";
    text += "<wsa:RelatesTo>" + XmlEscape(probe.messageId) + "</wsa:RelatesTo>";
    text += "<wsa:To>" + std::string(ns::anonymousRole) + "</wsa:To>";
    text += "<wsa:Action>" + std::string(ns::probeMatchesAction) + "</wsa:Action>";
    text += "<wsd:AppSequence InstanceId=\"1\" MessageNumber=\"" + std::to_string(messageNumber)
        + "\"/></SOAP-ENV:Header>";
    text += "<SOAP-ENV:Body><wsd:ProbeMatches><wsd:ProbeMatch><wsa:EndpointReference><wsa:Address>"
        + XmlEscape(EndpointOf(config)) + "</wsa:Address></wsa:EndpointReference>";
    text += "<wsd:Types>" + types + "</wsd:Types><wsd:Scopes>" + XmlEscape(scopes) + "</wsd:Scopes>";
    text += "<wsd:XAddrs>http://" + state.servingAddress + ":" + std::to_string(state.servingPort)
        + ns::defaultDeviceServicePath + "</wsd:XAddrs>";
    text += "<wsd:MetadataVersion>1</wsd:MetadataVersion></wsd:ProbeMatch></wsd:ProbeMatches></SOAP-ENV:Body>"
            "</SOAP-ENV:Envelope>";
    return hostileDatagram(text, config.hostile);
}

} // namespace lorvena::devsim::onvif
