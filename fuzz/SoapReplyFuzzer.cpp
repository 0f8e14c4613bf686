// The body of a device service's SOAP answer, read by every reader of the
// ONVIF library (a device's answer can be any of them), with the
// conversions the search and the change apply to what they find.
#include "FuzzCheck.h"

#include "sdk/onvif/DeviceReplies.h"
#include "sdk/onvif/SoapXml.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

using namespace lorvena::onvif;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view reply(reinterpret_cast<const char*>(data), size);

    pugi::xml_document document;
    if (ParseDeviceXml(reply, document) == XmlVerdict::Parsed)
        (void)SoapBody(document);

    (void)ParseSystemDateAndTime(reply);
    if (auto interface = ParseNetworkInterfaces(reply)) {
        const std::string mac = NormalizeMac(interface->hardwareAddress);
        FUZZ_CHECK(mac.empty() || mac.size() == 12);
        const std::string mask = MaskFromPrefix(interface->prefixLength);
        if (interface->prefixLength >= 0 && interface->prefixLength <= 32)
            FUZZ_CHECK(PrefixFromMask(mask) == interface->prefixLength);
        (void)PrefixFromMask(interface->address);
    }
    (void)ParseDns(reply);
    (void)ParseDefaultGateway(reply);
    (void)ParseDeviceInformation(reply);
    (void)ParseRebootNeeded(reply);
    (void)IsResponse(reply, "SetDNSResponse");
    (void)ClassifyFault(reply);
    return 0;
}
