#include "onvif/DeviceService.h"

#include "onvif/DigestCheck.h"
#include "sdk/onvif/OnvifNamespaces.h"
#include "sdk/onvif/SoapXml.h"

#include <arpa/inet.h>

#include <optional>
#include <ctime>

namespace lorvena::devsim::onvif {

namespace ns = lorvena::onvif::ns;
using lorvena::onvif::Child;
using lorvena::onvif::IntegerText;
using lorvena::onvif::LocalName;
using lorvena::onvif::Path;
using lorvena::onvif::TrimmedText;
using lorvena::onvif::XmlEscape;

namespace {

constexpr const char* interfaceToken = "eth0";

std::string envelope(const std::string& body)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?><env:Envelope xmlns:env=\"" + std::string(ns::soapEnvelope)
        + "\" xmlns:tds=\"" + ns::device + "\" xmlns:tt=\"" + ns::schema + "\" xmlns:ter=\"" + ns::error
        + "\"><env:Body>" + body + "</env:Body></env:Envelope>";
}

ServiceReply fault(ServiceReply reply, ServiceOutcome outcome, const char* code, const char* subcode,
    const char* reason)
{
    reply.outcome = outcome;
    reply.status = 400;
    reply.body = envelope(std::string("<env:Fault><env:Code><env:Value>") + code
        + "</env:Value><env:Subcode><env:Value>" + subcode
        + "</env:Value></env:Subcode></env:Code><env:Reason><env:Text xml:lang=\"en\">" + reason
        + "</env:Text></env:Reason></env:Fault>");
    return reply;
}

bool isIpv4(const std::string& text)
{
    in_addr address {};
    return inet_pton(AF_INET, text.c_str(), &address) == 1;
}

std::string element(const char* name, const std::string& value)
{
    return std::string("<") + name + ">" + XmlEscape(value) + "</" + name + ">";
}

std::string dateTime(std::chrono::system_clock::time_point deviceNow)
{
    std::time_t seconds = std::chrono::system_clock::to_time_t(deviceNow);
    std::tm parts {};
    gmtime_r(&seconds, &parts);
    return "<tt:UTCDateTime><tt:Time>" + element("tt:Hour", std::to_string(parts.tm_hour))
        + element("tt:Minute", std::to_string(parts.tm_min)) + element("tt:Second", std::to_string(parts.tm_sec))
        + "</tt:Time><tt:Date>" + element("tt:Year", std::to_string(parts.tm_year + 1900))
        + element("tt:Month", std::to_string(parts.tm_mon + 1)) + element("tt:Day", std::to_string(parts.tm_mday))
        + "</tt:Date></tt:UTCDateTime>";
}

std::string networkInterfaces(const OnvifDeviceConfig& config, const OnvifDeviceState& state)
{
    std::string address = "<tt:Address>" + state.address + "</tt:Address><tt:PrefixLength>"
        + std::to_string(state.prefixLength) + "</tt:PrefixLength>";
    std::string ipv4Config = state.dhcp ? "<tt:FromDHCP>" + address + "</tt:FromDHCP><tt:DHCP>true</tt:DHCP>"
                                        : "<tt:Manual>" + address + "</tt:Manual><tt:DHCP>false</tt:DHCP>";
    return std::string("<tds:GetNetworkInterfacesResponse><tds:NetworkInterfaces token=\"") + interfaceToken
        + "\"><tt:Enabled>true</tt:Enabled><tt:Info><tt:Name>eth0</tt:Name>"
        + element("tt:HwAddress", config.macAddress)
        + "<tt:MTU>1500</tt:MTU></tt:Info><tt:IPv4><tt:Enabled>true</tt:Enabled><tt:Config>" + ipv4Config
        + "</tt:Config></tt:IPv4></tds:NetworkInterfaces></tds:GetNetworkInterfacesResponse>";
}

std::string hostileBody(const std::string& good, HostileMode mode)
{
    switch (mode) {
    case HostileMode::None: return good;
    case HostileMode::HugeReply:
        return envelope("<tds:Padding>" + std::string(1024 * 1024, 'x') + "</tds:Padding>");
    case HostileMode::MalformedXml: return good.substr(0, good.size() / 2);
    case HostileMode::Doctype:
        return "<?xml version=\"1.0\"?><!DOCTYPE env:Envelope [<!ENTITY a \"aaaaaaaaaaaaaaaa\">"
               "<!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">]>"
            + good.substr(good.find("?>") + 2);
    }
    return good;
}

// The operation itself, credentials already checked.
ServiceReply perform(ServiceReply reply, const pugi::xml_node& request, const OnvifDeviceConfig& config,
    OnvifDeviceState& state, std::chrono::system_clock::time_point deviceNow)
{
    const std::string& action = reply.action;
    reply.outcome = ServiceOutcome::Ok;
    if (action == "GetSystemDateAndTime") {
        reply.body = envelope("<tds:GetSystemDateAndTimeResponse><tds:SystemDateAndTime>"
                              "<tt:DateTimeType>Manual</tt:DateTimeType><tt:DaylightSavings>false</tt:DaylightSavings>"
                              "<tt:TimeZone><tt:TZ>UTC0</tt:TZ></tt:TimeZone>"
            + dateTime(deviceNow) + "</tds:SystemDateAndTime></tds:GetSystemDateAndTimeResponse>");
    } else if (action == "GetDeviceInformation") {
        reply.body = envelope("<tds:GetDeviceInformationResponse>" + element("tds:Manufacturer", "Lorvena Lab")
            + element("tds:Model", config.hardware) + element("tds:FirmwareVersion", "1.0.0")
            + element("tds:SerialNumber", config.macAddress) + element("tds:HardwareId", config.hardware)
            + "</tds:GetDeviceInformationResponse>");
    } else if (action == "GetNetworkInterfaces") {
        reply.body = envelope(networkInterfaces(config, state));
    } else if (action == "GetDNS") {
        std::string servers = state.dns.empty()
            ? std::string()
            : "<tt:DNSManual><tt:Type>IPv4</tt:Type>" + element("tt:IPv4Address", state.dns) + "</tt:DNSManual>";
        reply.body = envelope("<tds:GetDNSResponse><tds:DNSInformation><tt:FromDHCP>false</tt:FromDHCP>" + servers
            + "</tds:DNSInformation></tds:GetDNSResponse>");
    } else if (action == "GetNetworkDefaultGateway") {
        std::string gateway = state.gateway.empty() ? std::string() : element("tt:IPv4Address", state.gateway);
        reply.body = envelope("<tds:GetNetworkDefaultGatewayResponse><tds:NetworkGateway>" + gateway
            + "</tds:NetworkGateway></tds:GetNetworkDefaultGatewayResponse>");
    } else if (action == "SetNetworkInterfaces") {
        pugi::xml_node ipv4 = Path(request, {"NetworkInterface", "IPv4"});
        if (TrimmedText(Child(request, "InterfaceToken")) != interfaceToken)
            return fault(reply, ServiceOutcome::Fault, "env:Sender", "ter:InvalidArgVal", "No such interface");
        bool dhcp = TrimmedText(Child(ipv4, "DHCP")) == "true";
        std::string address = TrimmedText(Path(ipv4, {"Manual", "Address"}));
        std::optional<int> prefix = IntegerText(Path(ipv4, {"Manual", "PrefixLength"}));
        if (!dhcp && (!isIpv4(address) || !prefix || *prefix < 1 || *prefix > 32))
            return fault(reply, ServiceOutcome::Fault, "env:Sender", "ter:InvalidArgVal", "Bad IPv4 setting");
        state.dhcp = dhcp;
        if (!dhcp) {
            state.address = address;
            state.prefixLength = *prefix;
        }
        reply.configured = true;
        reply.applyNow = !config.rebootNeeded;
        reply.body = envelope(std::string("<tds:SetNetworkInterfacesResponse><tds:RebootNeeded>")
            + (config.rebootNeeded ? "true" : "false") + "</tds:RebootNeeded></tds:SetNetworkInterfacesResponse>");
    } else if (action == "SetNetworkDefaultGateway") {
        std::string gateway = TrimmedText(Child(request, "IPv4Address"));
        if (!isIpv4(gateway))
            return fault(reply, ServiceOutcome::Fault, "env:Sender", "ter:InvalidArgVal", "Bad gateway");
        state.gateway = gateway;
        reply.configured = true;
        reply.body = envelope("<tds:SetNetworkDefaultGatewayResponse/>");
    } else if (action == "SetNetworkProtocols") {
        bool changed = false;
        for (pugi::xml_node protocol = request.first_child(); protocol; protocol = protocol.next_sibling()) {
            if (LocalName(protocol) != "NetworkProtocols" || TrimmedText(Child(protocol, "Name")) != "HTTP")
                continue;
            std::optional<int> port = IntegerText(Child(protocol, "Port"));
            if (!port || *port < 1 || *port > 65535)
                return fault(reply, ServiceOutcome::Fault, "env:Sender", "ter:InvalidArgVal", "Bad port");
            state.httpPort = static_cast<std::uint16_t>(*port);
            changed = true;
        }
        reply.configured = changed;
        reply.applyNow = changed && !config.rebootNeeded;
        reply.body = envelope("<tds:SetNetworkProtocolsResponse/>");
    } else if (action == "SystemReboot") {
        ++state.reboots;
        reply.applyNow = true;
        reply.body = envelope("<tds:SystemRebootResponse><tds:Message>Rebooting in 1 second</tds:Message>"
                              "</tds:SystemRebootResponse>");
    } else {
        return fault(reply, ServiceOutcome::Fault, "env:Receiver", "ter:ActionNotSupported", "Not supported");
    }
    return reply;
}

bool needsCredentials(const std::string& action, const OnvifDeviceConfig& config)
{
    if (action == "GetSystemDateAndTime")
        return false;
    bool read = action.rfind("Get", 0) == 0;
    return !(read && config.anonymousReads);
}

} // namespace

std::string_view OutcomeWord(ServiceOutcome outcome)
{
    switch (outcome) {
    case ServiceOutcome::Ok: return "ok";
    case ServiceOutcome::AuthFailed: return "auth-failed";
    case ServiceOutcome::Fault: return "fault";
    case ServiceOutcome::Hostile: return "hostile";
    }
    return "fault";
}

ServiceReply AnswerRequest(std::string_view text, const OnvifDeviceConfig& config, OnvifDeviceState& state,
    std::chrono::system_clock::time_point trueNow)
{
    ServiceReply reply;
    pugi::xml_document document;
    if (lorvena::onvif::ParseDeviceXml(text, document) != lorvena::onvif::XmlVerdict::Parsed)
        return fault(reply, ServiceOutcome::Fault, "env:Sender", "ter:WellFormed", "Not well-formed");
    pugi::xml_node body = lorvena::onvif::SoapBody(document);
    pugi::xml_node request = body.find_child([](const pugi::xml_node& node) {
        return node.type() == pugi::node_element;
    });
    if (!request)
        return fault(reply, ServiceOutcome::Fault, "env:Sender", "ter:InvalidArgs", "No operation");
    reply.action = std::string(LocalName(request));
    if (config.hostile != HostileMode::None) {
        OnvifDeviceState scratch = state;
        ServiceReply good = perform(reply, request, config, scratch, trueNow + config.clockOffset);
        reply.outcome = ServiceOutcome::Hostile;
        reply.status = 200;
        reply.body = hostileBody(good.body, config.hostile);
        return reply;
    }
    const auto deviceNow = trueNow + config.clockOffset;
    if (needsCredentials(reply.action, config)) {
        DigestPolicy policy {config.userName, config.password, deviceNow};
        if (!DigestAccepted(document.document_element(), policy))
            return fault(reply, ServiceOutcome::AuthFailed, "env:Sender", "ter:NotAuthorized",
                "Sender not Authorized");
    }
    return perform(reply, request, config, state, deviceNow);
}

} // namespace lorvena::devsim::onvif
