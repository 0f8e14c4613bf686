// The device management answers as devices write them, and how an HTTP
// answer counts (ok, refused, fault, unusable).

#include "sdk/onvif/DeviceClient.h"
#include "sdk/onvif/DeviceReplies.h"
#include "sdk/onvif/SoapXml.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace lorvena::onvif;

std::string envelope(const std::string& body)
{
    return R"(<?xml version="1.0" encoding="UTF-8"?><SOAP-ENV:Envelope xmlns:SOAP-ENV="http://www.w3.org/2003/05/soap-envelope" xmlns:tds="http://www.onvif.org/ver10/device/wsdl" xmlns:tt="http://www.onvif.org/ver10/schema"><SOAP-ENV:Body>)"
        + body + "</SOAP-ENV:Body></SOAP-ENV:Envelope>";
}

const std::string utcClock = envelope(R"(<tds:GetSystemDateAndTimeResponse><tds:SystemDateAndTime>
<tt:DateTimeType>NTP</tt:DateTimeType><tt:DaylightSavings>false</tt:DaylightSavings>
<tt:TimeZone><tt:TZ>CET-1CEST,M3.5.0,M10.5.0/3</tt:TZ></tt:TimeZone>
<tt:UTCDateTime><tt:Time><tt:Hour>7</tt:Hour><tt:Minute>50</tt:Minute><tt:Second>45</tt:Second></tt:Time>
<tt:Date><tt:Year>2010</tt:Year><tt:Month>9</tt:Month><tt:Day>16</tt:Day></tt:Date></tt:UTCDateTime>
<tt:LocalDateTime><tt:Time><tt:Hour>9</tt:Hour><tt:Minute>50</tt:Minute><tt:Second>45</tt:Second></tt:Time>
<tt:Date><tt:Year>2010</tt:Year><tt:Month>9</tt:Month><tt:Day>16</tt:Day></tt:Date></tt:LocalDateTime>
</tds:SystemDateAndTime></tds:GetSystemDateAndTimeResponse>)");

// Some firmware gives only its local time, with its own prefixes.
const std::string localClockOnly = R"(<s:Envelope xmlns:s="http://www.w3.org/2003/05/soap-envelope"><s:Body>
<GetSystemDateAndTimeResponse xmlns="http://www.onvif.org/ver10/device/wsdl"><SystemDateAndTime>
<LocalDateTime xmlns="http://www.onvif.org/ver10/schema"><Date><Year>2031</Year><Month>12</Month><Day>31</Day></Date>
<Time><Hour>23</Hour><Minute>59</Minute><Second>59</Second></Time></LocalDateTime>
</SystemDateAndTime></GetSystemDateAndTimeResponse></s:Body></s:Envelope>)";

TEST(DeviceReplies, ReadsTheDeviceClock)
{
    const struct {
        const char* name;
        std::string reply;
        long long secondsSinceEpoch; // -1: unreadable
    } cases[] = {
        {"UTC preferred over local", utcClock, 1284623445},
        {"local time only", localClockOnly, 1956528000 - 1},
        {"month 13", envelope("<tds:GetSystemDateAndTimeResponse><tds:SystemDateAndTime><tt:UTCDateTime><tt:Time>"
                              "<tt:Hour>1</tt:Hour><tt:Minute>1</tt:Minute><tt:Second>1</tt:Second></tt:Time><tt:Date>"
                              "<tt:Year>2020</tt:Year><tt:Month>13</tt:Month><tt:Day>1</tt:Day></tt:Date>"
                              "</tt:UTCDateTime></tds:SystemDateAndTime></tds:GetSystemDateAndTimeResponse>"),
            -1},
        {"past the clock's range", std::string(localClockOnly).replace(localClockOnly.find("2031"), 4, "4062"), -1},
        {"no date", envelope("<tds:GetSystemDateAndTimeResponse/>"), -1},
        {"truncated", utcClock.substr(0, 300), -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto clock = ParseSystemDateAndTime(c.reply);
        if (c.secondsSinceEpoch < 0) {
            EXPECT_FALSE(clock);
            continue;
        }
        ASSERT_TRUE(clock);
        EXPECT_EQ(std::chrono::system_clock::to_time_t(*clock), c.secondsSinceEpoch);
    }
}

TEST(DeviceReplies, ReadsTheNetworkInterface)
{
    const std::string manual = envelope(R"(<tds:GetNetworkInterfacesResponse>
<tds:NetworkInterfaces token="wlan0"><tt:Enabled>false</tt:Enabled></tds:NetworkInterfaces>
<tds:NetworkInterfaces token="eth0"><tt:Enabled>true</tt:Enabled>
<tt:Info><tt:Name>eth0</tt:Name><tt:HwAddress>ec:2f:a5:d1:a1:f0</tt:HwAddress><tt:MTU>1500</tt:MTU></tt:Info>
<tt:IPv4><tt:Enabled>true</tt:Enabled><tt:Config>
<tt:Manual><tt:Address>192.168.1.64</tt:Address><tt:PrefixLength>24</tt:PrefixLength></tt:Manual>
<tt:LinkLocal><tt:Address>169.254.1.1</tt:Address><tt:PrefixLength>16</tt:PrefixLength></tt:LinkLocal>
<tt:DHCP>false</tt:DHCP></tt:Config></tt:IPv4></tds:NetworkInterfaces></tds:GetNetworkInterfacesResponse>)");
    const std::string dhcp = R"(<env:Envelope xmlns:env="http://www.w3.org/2003/05/soap-envelope"><env:Body>
<m:GetNetworkInterfacesResponse xmlns:m="http://www.onvif.org/ver10/device/wsdl" xmlns:s="http://www.onvif.org/ver10/schema">
<m:NetworkInterfaces token="NetworkInterfaceToken_1"><s:Enabled>true</s:Enabled><s:IPv4><s:Enabled>true</s:Enabled>
<s:Config><s:Manual><s:Address>192.168.0.100</s:Address><s:PrefixLength>24</s:PrefixLength></s:Manual>
<s:FromDHCP><s:Address>10.20.30.40</s:Address><s:PrefixLength>16</s:PrefixLength></s:FromDHCP>
<s:DHCP>true</s:DHCP></s:Config></s:IPv4></m:NetworkInterfaces></m:GetNetworkInterfacesResponse></env:Body></env:Envelope>)";
    const struct {
        const char* name;
        std::string reply;
        bool readable;
        const char* token;
        const char* address;
        int prefix;
        bool dhcp;
        const char* hardware;
    } cases[] = {
        {"manual, disabled interface first", manual, true, "eth0", "192.168.1.64", 24, false, "ec:2f:a5:d1:a1:f0"},
        {"DHCP, other prefixes", dhcp, true, "NetworkInterfaceToken_1", "10.20.30.40", 16, true, ""},
        {"no token", envelope("<tds:GetNetworkInterfacesResponse><tds:NetworkInterfaces/>"
                              "</tds:GetNetworkInterfacesResponse>"),
            false, "", "", 0, false, ""},
        {"no interface", envelope("<tds:GetNetworkInterfacesResponse/>"), false, "", "", 0, false, ""},
        {"truncated", manual.substr(0, manual.size() - 40), false, "", "", 0, false, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto info = ParseNetworkInterfaces(c.reply);
        ASSERT_EQ(info.has_value(), c.readable);
        if (!info)
            continue;
        EXPECT_EQ(info->token, c.token);
        EXPECT_EQ(info->address, c.address);
        EXPECT_EQ(info->prefixLength, c.prefix);
        EXPECT_EQ(info->dhcp, c.dhcp);
        EXPECT_EQ(info->hardwareAddress, c.hardware);
    }
}

TEST(DeviceReplies, ReadsDnsGatewayInformationAndRebootNeeded)
{
    EXPECT_EQ(ParseDns(envelope(R"(<tds:GetDNSResponse><tds:DNSInformation><tt:FromDHCP>false</tt:FromDHCP>
<tt:DNSManual><tt:Type>IPv6</tt:Type><tt:IPv6Address>::1</tt:IPv6Address></tt:DNSManual>
<tt:DNSManual><tt:Type>IPv4</tt:Type><tt:IPv4Address>8.8.4.4</tt:IPv4Address></tt:DNSManual>
</tds:DNSInformation></tds:GetDNSResponse>)")),
        "8.8.4.4");
    EXPECT_EQ(ParseDns(envelope(R"(<tds:GetDNSResponse><tds:DNSInformation><tt:FromDHCP>true</tt:FromDHCP>
<tt:DNSFromDHCP><tt:Type>IPv4</tt:Type><tt:IPv4Address>10.0.0.1</tt:IPv4Address></tt:DNSFromDHCP>
<tt:DNSManual><tt:Type>IPv4</tt:Type><tt:IPv4Address>1.1.1.1</tt:IPv4Address></tt:DNSManual>
</tds:DNSInformation></tds:GetDNSResponse>)")),
        "10.0.0.1");
    EXPECT_EQ(ParseDns(envelope("<tds:GetDNSResponse><tds:DNSInformation/></tds:GetDNSResponse>")), "");
    EXPECT_FALSE(ParseDns(envelope("<tds:GetDNSResponse/>")));

    EXPECT_EQ(ParseDefaultGateway(envelope("<tds:GetNetworkDefaultGatewayResponse><tds:NetworkGateway>"
                                           "<tt:IPv4Address>192.168.1.1</tt:IPv4Address></tds:NetworkGateway>"
                                           "</tds:GetNetworkDefaultGatewayResponse>")),
        "192.168.1.1");
    EXPECT_EQ(ParseDefaultGateway(envelope("<tds:GetNetworkDefaultGatewayResponse><tds:NetworkGateway/>"
                                           "</tds:GetNetworkDefaultGatewayResponse>")),
        "");

    auto information = ParseDeviceInformation(envelope(
        "<tds:GetDeviceInformationResponse><tds:Manufacturer>Acme</tds:Manufacturer><tds:Model> IPC-2M </tds:Model>"
        "<tds:FirmwareVersion>V5.1</tds:FirmwareVersion><tds:SerialNumber>123</tds:SerialNumber>"
        "</tds:GetDeviceInformationResponse>"));
    ASSERT_TRUE(information);
    EXPECT_EQ(information->model, "IPC-2M");
    EXPECT_EQ(information->firmwareVersion, "V5.1");

    EXPECT_EQ(ParseRebootNeeded(envelope("<tds:SetNetworkInterfacesResponse><tds:RebootNeeded>true"
                                         "</tds:RebootNeeded></tds:SetNetworkInterfacesResponse>")),
        true);
    EXPECT_EQ(ParseRebootNeeded(envelope("<tds:SetNetworkInterfacesResponse><tds:RebootNeeded>false"
                                         "</tds:RebootNeeded></tds:SetNetworkInterfacesResponse>")),
        false);
    EXPECT_FALSE(ParseRebootNeeded(envelope("<tds:SetNetworkDefaultGatewayResponse/>")));
}

const std::string notAuthorized = R"(<?xml version="1.0"?><env:Envelope xmlns:env="http://www.w3.org/2003/05/soap-envelope" xmlns:ter="http://www.onvif.org/ver10/error"><env:Body><env:Fault>
<env:Code><env:Value>env:Sender</env:Value><env:Subcode><env:Value>ter:NotAuthorized</env:Value></env:Subcode></env:Code>
<env:Reason><env:Text xml:lang="en">Sender not Authorized</env:Text></env:Reason></env:Fault></env:Body></env:Envelope>)";

const std::string soap11FailedAuthentication = R"(<SOAP-ENV:Envelope xmlns:SOAP-ENV="http://schemas.xmlsoap.org/soap/envelope/" xmlns:wsse="http://docs.oasis-open.org/wss/2004/01/oasis-200401-wss-wssecurity-secext-1.0.xsd"><SOAP-ENV:Body><SOAP-ENV:Fault>
<faultcode>wsse:FailedAuthentication</faultcode><faultstring>Authentication failed</faultstring></SOAP-ENV:Fault></SOAP-ENV:Body></SOAP-ENV:Envelope>)";

const std::string actionNotSupported = R"(<env:Envelope xmlns:env="http://www.w3.org/2003/05/soap-envelope"><env:Body><env:Fault>
<env:Code><env:Value>env:Receiver</env:Value><env:Subcode><env:Value>ter:ActionNotSupported</env:Value></env:Subcode></env:Code>
</env:Fault></env:Body></env:Envelope>)";

TEST(DeviceReplies, ClassifiesEveryAnswer)
{
    const std::string ok = envelope("<tds:SystemRebootResponse/>");
    const struct {
        const char* name;
        int status;
        std::string body;
        CallOutcome outcome;
    } cases[] = {
        {"ok", 200, ok, CallOutcome::Ok},
        {"ONVIF NotAuthorized, HTTP 400", 400, notAuthorized, CallOutcome::Refused},
        {"NotAuthorized with status 200", 200, notAuthorized, CallOutcome::Refused},
        {"SOAP 1.1 FailedAuthentication, HTTP 500", 500, soap11FailedAuthentication, CallOutcome::Refused},
        {"HTTP digest challenge, no body", 401, "", CallOutcome::Refused},
        {"other fault", 500, actionNotSupported, CallOutcome::Fault},
        {"server error, no body", 500, "", CallOutcome::Fault},
        {"200 with a web page", 200, "<html><body>login</body></html>", CallOutcome::BadReply},
        {"200 with a DOCTYPE", 200,
            "<!DOCTYPE x [<!ENTITY a \"a\">]>" + ok.substr(ok.find("?>") + 2), CallOutcome::BadReply},
        {"200 truncated", 200, ok.substr(0, ok.size() / 2), CallOutcome::BadReply},
        {"200 over the size cap", 200,
            envelope("<tds:X>" + std::string(maxReplyBytes, 'x') + "</tds:X>"), CallOutcome::BadReply},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ClassifyAnswer(c.status, c.body), c.outcome);
    }
}

TEST(DeviceReplies, XmlRefusalsAreTold)
{
    pugi::xml_document document;
    EXPECT_EQ(ParseDeviceXml("<a><b/></a>", document), XmlVerdict::Parsed);
    EXPECT_EQ(ParseDeviceXml("<!DOCTYPE a><a/>", document), XmlVerdict::HasDoctype);
    EXPECT_EQ(ParseDeviceXml("<?xml version=\"1.0\"?>\n<!DOCTYPE a SYSTEM \"file:///etc/passwd\"><a/>", document),
        XmlVerdict::HasDoctype);
    EXPECT_EQ(ParseDeviceXml("<a><b></a>", document), XmlVerdict::Malformed);
    EXPECT_EQ(ParseDeviceXml("", document), XmlVerdict::Malformed);
    EXPECT_EQ(ParseDeviceXml(std::string(maxReplyBytes + 1, ' '), document), XmlVerdict::TooLarge);
}

TEST(DeviceReplies, NormalizesAddressesAndMasks)
{
    EXPECT_EQ(NormalizeMac("ec:2f:a5:d1:a1:f0"), "EC2FA5D1A1F0");
    EXPECT_EQ(NormalizeMac("EC-2F-A5-D1-A1-F0"), "EC2FA5D1A1F0");
    EXPECT_EQ(NormalizeMac("ec2fa5d1a1f0"), "EC2FA5D1A1F0");
    EXPECT_EQ(NormalizeMac("ec:2f:a5:d1:a1"), "");
    EXPECT_EQ(NormalizeMac("gg:2f:a5:d1:a1:f0"), "");

    const struct {
        const char* mask;
        int prefix;
    } masks[] = {
        {"255.255.255.0", 24}, {"255.255.252.0", 22}, {"255.255.255.255", 32}, {"128.0.0.0", 1},
        {"0.0.0.0", 0}, {"255.0.255.0", -1}, {"255.255.255", -1}, {"", -1},
    };
    for (const auto& m : masks) {
        EXPECT_EQ(PrefixFromMask(m.mask), m.prefix) << m.mask;
        if (m.prefix >= 0) {
            EXPECT_EQ(MaskFromPrefix(m.prefix), m.mask) << m.prefix;
        }
    }
    EXPECT_EQ(MaskFromPrefix(33), "");
    EXPECT_EQ(MaskFromPrefix(-1), "");
}

} // namespace
