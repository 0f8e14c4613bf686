#include "sdk/onvif/DeviceRequests.h"

#include "sdk/onvif/OnvifNamespaces.h"
#include "sdk/onvif/SoapXml.h"

namespace lorvena::onvif {

std::string_view ActionName(DeviceAction action)
{
    switch (action) {
    case DeviceAction::GetSystemDateAndTime: return "GetSystemDateAndTime";
    case DeviceAction::GetDeviceInformation: return "GetDeviceInformation";
    case DeviceAction::GetNetworkInterfaces: return "GetNetworkInterfaces";
    case DeviceAction::GetDNS: return "GetDNS";
    case DeviceAction::GetNetworkDefaultGateway: return "GetNetworkDefaultGateway";
    case DeviceAction::SetNetworkInterfaces: return "SetNetworkInterfaces";
    case DeviceAction::SetNetworkDefaultGateway: return "SetNetworkDefaultGateway";
    case DeviceAction::SetNetworkProtocols: return "SetNetworkProtocols";
    case DeviceAction::SystemReboot: return "SystemReboot";
    }
    return "";
}

std::string ActionUri(DeviceAction action)
{
    return std::string(ns::device) + "/" + std::string(ActionName(action));
}

std::string RequestBody(DeviceAction action)
{
    return "<tds:" + std::string(ActionName(action)) + "/>";
}

std::string SetNetworkInterfacesBody(const InterfaceChange& change)
{
    std::string body = "<tds:SetNetworkInterfaces><tds:InterfaceToken>" + XmlEscape(change.token)
        + "</tds:InterfaceToken><tds:NetworkInterface><tt:Enabled>true</tt:Enabled>"
          "<tt:IPv4><tt:Enabled>true</tt:Enabled>";
    if (!change.dhcp) {
        body += "<tt:Manual><tt:Address>" + XmlEscape(change.address) + "</tt:Address><tt:PrefixLength>"
            + std::to_string(change.prefixLength) + "</tt:PrefixLength></tt:Manual>";
    }
    body += change.dhcp ? "<tt:DHCP>true</tt:DHCP>" : "<tt:DHCP>false</tt:DHCP>";
    body += "</tt:IPv4></tds:NetworkInterface></tds:SetNetworkInterfaces>";
    return body;
}

std::string SetNetworkDefaultGatewayBody(std::string_view gateway)
{
    return "<tds:SetNetworkDefaultGateway><tds:IPv4Address>" + XmlEscape(gateway)
        + "</tds:IPv4Address></tds:SetNetworkDefaultGateway>";
}

std::string SetNetworkProtocolsBody(std::uint16_t httpPort)
{
    return "<tds:SetNetworkProtocols><tds:NetworkProtocols><tt:Name>HTTP</tt:Name><tt:Enabled>true</tt:Enabled>"
           "<tt:Port>"
        + std::to_string(httpPort) + "</tt:Port></tds:NetworkProtocols></tds:SetNetworkProtocols>";
}

std::string Envelope(std::string_view body, const UsernameToken* token)
{
    std::string envelope = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><s:Envelope xmlns:s=\"";
    envelope += ns::soapEnvelope;
    envelope += "\" xmlns:tds=\"";
    envelope += ns::device;
    envelope += "\" xmlns:tt=\"";
    envelope += ns::schema;
    envelope += "\">";
    if (token) {
        envelope += "<s:Header>";
        envelope += SecurityHeader(*token);
        envelope += "</s:Header>";
    }
    envelope += "<s:Body>";
    envelope += body;
    envelope += "</s:Body></s:Envelope>";
    return envelope;
}

} // namespace lorvena::onvif
