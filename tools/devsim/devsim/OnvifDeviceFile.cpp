#include "devsim/OnvifDeviceFile.h"

#include "devsim/Ipv4Text.h"

#include "devsim/JsonDeviceList.h"

#include <nlohmann/json.hpp>

#include <optional>

namespace lorvena::devsim {

namespace {

using Json = nlohmann::json;
using onvif::HostileMode;
using onvif::OnvifDeviceConfig;

// A day either way is more skew than any test needs, and keeps the
// device's idea of the time well inside what the digest can carry.
constexpr std::int64_t maxClockOffsetSeconds = 24 * 3600;

std::optional<HostileMode> parseHostile(const std::string& text)
{
    if (text == "none")
        return HostileMode::None;
    if (text == "huge-reply")
        return HostileMode::HugeReply;
    if (text == "malformed-xml")
        return HostileMode::MalformedXml;
    if (text == "doctype")
        return HostileMode::Doctype;
    return std::nullopt;
}

// Reads one device object, keeping the first error.
class OnvifDeviceReader : public JsonFieldReader {
public:
    OnvifDeviceReader(const Json& object, std::size_t index) : JsonFieldReader("ONVIF device", index), object_(object)
    {
    }

    std::optional<OnvifDeviceConfig> read()
    {
        if (!object_.is_object())
            return fail("", "must be an object");
        OnvifDeviceConfig device;
        bool haveIp = false;
        for (const auto& [key, value] : object_.items()) {
            if (key == "ip")
                haveIp = readIp(value, device);
            else if (key == "port")
                device.httpPort = static_cast<std::uint16_t>(readInteger(key, value, 1, 65535));
            else if (key == "prefix")
                device.prefixLength = static_cast<int>(readInteger(key, value, 0, 32));
            else if (key == "gateway")
                readText(key, value, device.gateway);
            else if (key == "dns")
                readText(key, value, device.dns);
            else if (key == "dhcp")
                readBool(key, value, device.dhcp);
            else if (key == "name")
                readText(key, value, device.name);
            else if (key == "hardware")
                readText(key, value, device.hardware);
            else if (key == "mac")
                readText(key, value, device.macAddress);
            else if (key == "endpoint")
                readText(key, value, device.endpoint);
            else if (key == "user")
                readText(key, value, device.userName);
            else if (key == "password")
                readText(key, value, device.password);
            else if (key == "clockOffsetSeconds")
                device.clockOffset = std::chrono::seconds(
                    readInteger(key, value, -maxClockOffsetSeconds, maxClockOffsetSeconds));
            else if (key == "videoTransmitter")
                readBool(key, value, device.videoTransmitter);
            else if (key == "multicast")
                readBool(key, value, device.answersMulticast);
            else if (key == "anonymousReads")
                readBool(key, value, device.anonymousReads);
            else if (key == "rebootNeeded")
                readBool(key, value, device.rebootNeeded);
            else if (key == "hostile")
                readHostile(value, device);
            else
                fail(key, "is not a known field");
        }
        if (!failed() && !haveIp)
            fail("ip", "is required");
        if (failed())
            return std::nullopt;
        return device;
    }

private:
    bool readIp(const Json& value, OnvifDeviceConfig& device)
    {
        if (!value.is_string() || !parseIpv4(value.get<std::string>())) {
            fail("ip", "must be a dotted IPv4 address");
            return false;
        }
        device.address = value.get<std::string>();
        return true;
    }

    void readHostile(const Json& value, OnvifDeviceConfig& device)
    {
        std::optional<HostileMode> mode = value.is_string() ? parseHostile(value.get<std::string>()) : std::nullopt;
        if (mode)
            device.hostile = *mode;
        else
            fail("hostile", "must be \"none\", \"huge-reply\", \"malformed-xml\" or \"doctype\"");
    }

    const Json& object_;
};

} // namespace

OnvifDeviceFileResult OnvifDeviceFile::load(const std::string& path)
{
    return LoadJsonDeviceList<OnvifDeviceFileResult>(path, &OnvifDeviceFile::parse);
}

OnvifDeviceFileResult OnvifDeviceFile::parse(std::string_view jsonText)
{
    return ParseJsonDeviceList<OnvifDeviceFileResult, OnvifDeviceReader>(jsonText, "onvifDevices",
        "an \"onvifDevices\" list");
}

} // namespace lorvena::devsim
