#include "sdk/onvif/DeviceReplies.h"

#include "sdk/onvif/SoapXml.h"

#include <arpa/inet.h>

#include <cctype>
#include <cstdio>
#include <ctime>

namespace lorvena::onvif {

namespace {

pugi::xml_node responseElement(const pugi::xml_document& document, std::string_view name)
{
    return Child(SoapBody(document), name);
}

bool isTrue(const pugi::xml_node& node)
{
    std::string text = TrimmedText(node);
    return text == "true" || text == "1";
}

bool isIpv4(const std::string& text)
{
    in_addr address {};
    return inet_pton(AF_INET, text.c_str(), &address) == 1;
}

std::optional<std::chrono::system_clock::time_point> readDateTime(const pugi::xml_node& dateTime)
{
    pugi::xml_node date = Child(dateTime, "Date");
    pugi::xml_node time = Child(dateTime, "Time");
    auto year = IntegerText(Child(date, "Year"));
    auto month = IntegerText(Child(date, "Month"));
    auto day = IntegerText(Child(date, "Day"));
    auto hour = IntegerText(Child(time, "Hour"));
    auto minute = IntegerText(Child(time, "Minute"));
    auto second = IntegerText(Child(time, "Second"));
    if (!year || !month || !day || !hour || !minute || !second)
        return std::nullopt;
    // The system clock counts nanoseconds in 64 bits and ends in April 2262;
    // a device's year past that is no clock reading we can hold.
    if (*year < 1970 || *year > 2261 || *month < 1 || *month > 12 || *day < 1 || *day > 31 || *hour < 0
        || *hour > 23 || *minute < 0 || *minute > 59 || *second < 0 || *second > 60)
        return std::nullopt;
    std::tm parts {};
    parts.tm_year = *year - 1900;
    parts.tm_mon = *month - 1;
    parts.tm_mday = *day;
    parts.tm_hour = *hour;
    parts.tm_min = *minute;
    parts.tm_sec = *second;
    std::time_t seconds = timegm(&parts);
    return std::chrono::system_clock::from_time_t(seconds);
}

std::optional<std::string> firstIpv4Address(const pugi::xml_node& parent, std::string_view listName)
{
    for (pugi::xml_node entry = parent.first_child(); entry; entry = entry.next_sibling()) {
        if (entry.type() != pugi::node_element || LocalName(entry) != listName)
            continue;
        std::string address = TrimmedText(Child(entry, "IPv4Address"));
        if (isIpv4(address))
            return address;
    }
    return std::nullopt;
}

} // namespace

std::optional<std::chrono::system_clock::time_point> ParseSystemDateAndTime(std::string_view reply)
{
    pugi::xml_document document;
    if (ParseDeviceXml(reply, document) != XmlVerdict::Parsed)
        return std::nullopt;
    pugi::xml_node info = Child(responseElement(document, "GetSystemDateAndTimeResponse"), "SystemDateAndTime");
    if (auto utc = readDateTime(Child(info, "UTCDateTime")))
        return utc;
    return readDateTime(Child(info, "LocalDateTime"));
}

std::optional<NetworkInterfaceInfo> ParseNetworkInterfaces(std::string_view reply)
{
    pugi::xml_document document;
    if (ParseDeviceXml(reply, document) != XmlVerdict::Parsed)
        return std::nullopt;
    pugi::xml_node response = responseElement(document, "GetNetworkInterfacesResponse");
    pugi::xml_node chosen;
    for (pugi::xml_node entry = response.first_child(); entry; entry = entry.next_sibling()) {
        if (entry.type() != pugi::node_element || LocalName(entry) != "NetworkInterfaces")
            continue;
        if (!chosen)
            chosen = entry;
        if (TrimmedText(Child(entry, "Enabled")) != "false" && Child(entry, "IPv4")) {
            chosen = entry;
            break;
        }
    }
    if (!chosen)
        return std::nullopt;
    NetworkInterfaceInfo info;
    info.token = chosen.attribute("token").value();
    if (info.token.empty())
        return std::nullopt;
    info.hardwareAddress = TrimmedText(Path(chosen, {"Info", "HwAddress"}));
    pugi::xml_node config = Path(chosen, {"IPv4", "Config"});
    info.dhcp = isTrue(Child(config, "DHCP"));
    pugi::xml_node manual = Child(config, "Manual");
    pugi::xml_node fromDhcp = Child(config, "FromDHCP");
    pugi::xml_node used = info.dhcp && fromDhcp ? fromDhcp : (manual ? manual : fromDhcp);
    std::string address = TrimmedText(Child(used, "Address"));
    if (isIpv4(address)) {
        info.address = address;
        auto prefix = IntegerText(Child(used, "PrefixLength"));
        if (prefix && *prefix >= 0 && *prefix <= 32)
            info.prefixLength = *prefix;
    }
    return info;
}

std::optional<std::string> ParseDns(std::string_view reply)
{
    pugi::xml_document document;
    if (ParseDeviceXml(reply, document) != XmlVerdict::Parsed)
        return std::nullopt;
    pugi::xml_node info = Child(responseElement(document, "GetDNSResponse"), "DNSInformation");
    if (!info)
        return std::nullopt;
    bool fromDhcp = isTrue(Child(info, "FromDHCP"));
    auto primary = firstIpv4Address(info, fromDhcp ? "DNSFromDHCP" : "DNSManual");
    if (primary)
        return primary;
    if (auto other = firstIpv4Address(info, fromDhcp ? "DNSManual" : "DNSFromDHCP"))
        return other;
    return std::string();
}

std::optional<std::string> ParseDefaultGateway(std::string_view reply)
{
    pugi::xml_document document;
    if (ParseDeviceXml(reply, document) != XmlVerdict::Parsed)
        return std::nullopt;
    pugi::xml_node gateway = Child(responseElement(document, "GetNetworkDefaultGatewayResponse"), "NetworkGateway");
    if (!gateway)
        return std::nullopt;
    for (pugi::xml_node entry = gateway.first_child(); entry; entry = entry.next_sibling()) {
        if (entry.type() == pugi::node_element && LocalName(entry) == "IPv4Address") {
            std::string address = TrimmedText(entry);
            if (isIpv4(address))
                return address;
        }
    }
    return std::string();
}

std::optional<DeviceInformation> ParseDeviceInformation(std::string_view reply)
{
    pugi::xml_document document;
    if (ParseDeviceXml(reply, document) != XmlVerdict::Parsed)
        return std::nullopt;
    pugi::xml_node response = responseElement(document, "GetDeviceInformationResponse");
    if (!response)
        return std::nullopt;
    DeviceInformation info;
    info.manufacturer = TrimmedText(Child(response, "Manufacturer"));
    info.model = TrimmedText(Child(response, "Model"));
    info.firmwareVersion = TrimmedText(Child(response, "FirmwareVersion"));
    info.serialNumber = TrimmedText(Child(response, "SerialNumber"));
    return info;
}

std::optional<bool> ParseRebootNeeded(std::string_view reply)
{
    pugi::xml_document document;
    if (ParseDeviceXml(reply, document) != XmlVerdict::Parsed)
        return std::nullopt;
    pugi::xml_node response = responseElement(document, "SetNetworkInterfacesResponse");
    if (!response)
        return std::nullopt;
    return isTrue(Child(response, "RebootNeeded"));
}

bool IsResponse(std::string_view reply, std::string_view responseName)
{
    pugi::xml_document document;
    return ParseDeviceXml(reply, document) == XmlVerdict::Parsed && responseElement(document, responseName);
}

FaultKind ClassifyFault(std::string_view reply)
{
    pugi::xml_document document;
    if (ParseDeviceXml(reply, document) != XmlVerdict::Parsed)
        return FaultKind::None;
    pugi::xml_node fault = Child(SoapBody(document), "Fault");
    if (!fault)
        return FaultKind::None;
    // SOAP 1.2 nests the ONVIF subcode (ter:NotAuthorized) under Code;
    // WS-Security's own codes (wsse:FailedAuthentication) appear as a Value
    // or, on SOAP 1.1 devices, as faultcode. Any of them anywhere in the
    // fault counts.
    pugi::xml_node refusal = fault.find_node([](const pugi::xml_node& node) {
        if (node.type() != pugi::node_element)
            return false;
        std::string text = TrimmedText(node);
        std::string_view local = text;
        if (std::size_t colon = local.rfind(':'); colon != std::string_view::npos)
            local = local.substr(colon + 1);
        return local == "NotAuthorized" || local == "FailedAuthentication" || local == "InvalidSecurityToken"
            || local == "InvalidSecurity" || local == "FailedCheck";
    });
    if (refusal)
        return FaultKind::NotAuthorized;
    return FaultKind::Other;
}

std::string NormalizeMac(std::string_view text)
{
    std::string digits;
    for (char c : text) {
        if (c == ':' || c == '-' || c == '.')
            continue;
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            return {};
        digits += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return digits.size() == 12 ? digits : std::string();
}

std::string MaskFromPrefix(int prefixLength)
{
    if (prefixLength < 0 || prefixLength > 32)
        return {};
    std::uint32_t mask = prefixLength == 0 ? 0 : 0xFFFFFFFFu << (32 - prefixLength);
    char text[16];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", mask >> 24, (mask >> 16) & 0xFFu, (mask >> 8) & 0xFFu,
        mask & 0xFFu);
    return text;
}

int PrefixFromMask(std::string_view mask)
{
    in_addr address {};
    if (inet_pton(AF_INET, std::string(mask).c_str(), &address) != 1)
        return -1;
    std::uint32_t bits = ntohl(address.s_addr);
    int prefix = 0;
    while (prefix < 32 && (bits & (0x80000000u >> prefix)))
        ++prefix;
    std::uint32_t expected = prefix == 0 ? 0 : 0xFFFFFFFFu << (32 - prefix);
    return bits == expected ? prefix : -1;
}

} // namespace lorvena::onvif
