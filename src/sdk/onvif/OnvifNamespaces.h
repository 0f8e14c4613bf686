#pragma once

// The namespace URIs and fixed texts of the messages we send. Shared with the
// simulated device, which must speak the same dialect.

namespace lorvena::onvif::ns {

inline constexpr const char* soapEnvelope = "http://www.w3.org/2003/05/soap-envelope";
// WS-Discovery as ONVIF uses it: the 2005/04 draft with 2004/08 addressing.
inline constexpr const char* addressing = "http://schemas.xmlsoap.org/ws/2004/08/addressing";
inline constexpr const char* discovery = "http://schemas.xmlsoap.org/ws/2005/04/discovery";
inline constexpr const char* network = "http://www.onvif.org/ver10/network/wsdl";
inline constexpr const char* device = "http://www.onvif.org/ver10/device/wsdl";
inline constexpr const char* schema = "http://www.onvif.org/ver10/schema";
inline constexpr const char* error = "http://www.onvif.org/ver10/error";
inline constexpr const char* security
    = "http://docs.oasis-open.org/wss/2004/01/oasis-200401-wss-wssecurity-secext-1.0.xsd";
inline constexpr const char* securityUtility
    = "http://docs.oasis-open.org/wss/2004/01/oasis-200401-wss-wssecurity-utility-1.0.xsd";
inline constexpr const char* passwordDigestType
    = "http://docs.oasis-open.org/wss/2004/01/oasis-200401-wss-username-token-profile-1.0#PasswordDigest";
inline constexpr const char* base64Encoding
    = "http://docs.oasis-open.org/wss/2004/01/oasis-200401-wss-soap-message-security-1.0#Base64Binary";

inline constexpr const char* probeAction = "http://schemas.xmlsoap.org/ws/2005/04/discovery/Probe";
inline constexpr const char* probeMatchesAction = "http://schemas.xmlsoap.org/ws/2005/04/discovery/ProbeMatches";
inline constexpr const char* discoveryTo = "urn:schemas-xmlsoap-org:ws:2005:04:discovery";
inline constexpr const char* anonymousRole = "http://schemas.xmlsoap.org/ws/2004/08/addressing/role/anonymous";

// Where ONVIF devices listen for discovery.
inline constexpr const char* discoveryGroup = "239.255.255.250";
inline constexpr unsigned short discoveryPort = 3702;

// The device service path nearly every device uses; the one a device gave in
// its discovery answer is preferred.
inline constexpr const char* defaultDeviceServicePath = "/onvif/device_service";

// Scope prefix whose remainder is the device's (percent-encoded) name.
inline constexpr const char* nameScope = "onvif://www.onvif.org/name/";
inline constexpr const char* hardwareScope = "onvif://www.onvif.org/hardware/";

} // namespace lorvena::onvif::ns
