#include "devsim/DeviceFile.h"

#include "devsim/Ipv4Text.h"

#include "devsim/JsonDeviceList.h"

#include <nlohmann/json.hpp>

#include <charconv>
#include <chrono>
#include <cstdio>
#include <limits>

namespace lorvena::devsim {

namespace {

using Json = nlohmann::json;

constexpr std::size_t maxDripMilliseconds = 60000;

std::optional<std::array<std::uint8_t, 6>> parseMac(std::string_view text)
{
    // "AA:BB:CC:DD:EE:FF" (dashes also accepted): six two-digit hex groups.
    std::array<std::uint8_t, 6> mac {};
    if (text.size() != 17)
        return std::nullopt;
    for (std::size_t i = 0; i < mac.size(); ++i) {
        std::size_t at = i * 3;
        if (i > 0 && text[at - 1] != ':' && text[at - 1] != '-')
            return std::nullopt;
        const char* first = text.data() + at;
        auto [end, status] = std::from_chars(first, first + 2, mac[i], 16);
        if (status != std::errc() || end != first + 2)
            return std::nullopt;
    }
    return mac;
}

// The number after `prefix` in `text` ("short:40"), when it is all digits
// and within [least, most].
std::optional<std::size_t> numberAfter(std::string_view text, std::string_view prefix, std::size_t least,
    std::size_t most)
{
    if (!text.starts_with(prefix))
        return std::nullopt;
    std::size_t number = 0;
    std::string_view digits = text.substr(prefix.size());
    auto [end, status] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
    if (status != std::errc() || end != digits.data() + digits.size() || number < least || number > most)
        return std::nullopt;
    return number;
}

std::optional<Fault> parseFault(std::string_view text)
{
    if (text == "wrong-magic")
        return Fault {FaultKind::WrongMagic};
    if (text == "byte11-not-nul")
        return Fault {FaultKind::Byte11NotNul};
    if (text == "echo-request")
        return Fault {FaultKind::EchoRequest};
    if (text == "oversize")
        return Fault {FaultKind::Oversize};
    if (text == "no-nul")
        return Fault {FaultKind::NoNul};
    if (text == "short")
        return Fault {FaultKind::Short, defaultShortLength};
    if (auto length = numberAfter(text, "short:", 1, std::numeric_limits<std::size_t>::max()))
        return Fault {FaultKind::Short, *length};
    if (auto length = numberAfter(text, "length:", 0, maxDatagramBytes))
        return Fault {FaultKind::Length, *length};
    return std::nullopt;
}

// Reads one device object, keeping the first error.
class DeviceReader : public JsonFieldReader {
public:
    DeviceReader(const Json& object, std::size_t index) : JsonFieldReader("device", index), object_(object) {}

    std::optional<SimulatedDevice> read()
    {
        if (!object_.is_object())
            return fail("", "must be an object");
        SimulatedDevice device;
        bool haveIp = false;
        bool haveMac = false;
        bool haveMacText = false;
        for (const auto& [key, value] : object_.items()) {
            if (key == "generations")
                readGenerations(value, device);
            else if (key == "kind")
                readText(key, value, device.kind);
            else if (key == "name")
                readText(key, value, device.name);
            else if (key == "firmware")
                readText(key, value, device.firmware);
            else if (key == "ip")
                haveIp = readIp(value, device);
            else if (key == "mask")
                readText(key, value, device.mask);
            else if (key == "gateway")
                readText(key, value, device.gateway);
            else if (key == "dns")
                readText(key, value, device.dns);
            else if (key == "mac")
                haveMac = readMac(value, device);
            else if (key == "mac_text")
                haveMacText = readText(key, value, device.macText);
            else if (key == "http_port")
                device.httpPort = static_cast<std::uint32_t>(readInteger(key, value, 0, 65535));
            else if (key == "rtsp_port")
                device.rtspPort = static_cast<std::uint32_t>(readInteger(key, value, 0, 65535));
            else if (key == "channels")
                device.channels = static_cast<std::uint8_t>(readInteger(key, value, 0, 255));
            else if (key == "dhcp")
                readBool(key, value, device.dhcp);
            else if (key == "type")
                device.typeCode = static_cast<std::int32_t>(readInteger(key, value,
                    std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
            else if (key == "password")
                readText(key, value, device.password);
            else if (key == "encoding")
                readEncoding(value, device);
            else if (key == "http")
                readHttpMode(value, device);
            else if (key == "malformed")
                readFaults(value, device);
            else if (key == "upgrade")
                readUpgrade(value, device.upgrade);
            else if (key == "videoServer")
                readVideoServer(value, device.videoServer);
            else if (key == "keepsAddress")
                readBool(key, value, device.keepsAddress);
            else
                fail(key, "is not a known field");
        }
        if (!failed() && !haveIp)
            fail("ip", "is required");
        if (!failed() && !haveMac)
            fail("mac", "is required");
        if (failed())
            return std::nullopt;
        if (!haveMacText)
            device.macText = object_["mac"].get<std::string>();
        return device;
    }

private:
    bool readIp(const Json& value, SimulatedDevice& device)
    {
        std::optional<std::uint32_t> ip = value.is_string() ? parseIpv4(value.get<std::string>()) : std::nullopt;
        if (!ip) {
            fail("ip", "must be a dotted IPv4 address");
            return false;
        }
        device.ip = *ip;
        return true;
    }

    bool readMac(const Json& value, SimulatedDevice& device)
    {
        auto mac = value.is_string() ? parseMac(value.get<std::string>()) : std::nullopt;
        if (!mac) {
            fail("mac", "must look like \"AA:BB:CC:DD:EE:FF\"");
            return false;
        }
        device.mac = *mac;
        return true;
    }

    void readGenerations(const Json& value, SimulatedDevice& device)
    {
        if (!value.is_array()) {
            fail("generations", "must be a list");
            return;
        }
        device.generations = {false, false, false};
        for (const Json& entry : value) {
            std::string text = entry.is_string() ? entry.get<std::string>() : "";
            if (text == "old")
                device.generations[static_cast<std::size_t>(Generation::Old)] = true;
            else if (text == "basic")
                device.generations[static_cast<std::size_t>(Generation::Basic)] = true;
            else if (text == "extended")
                device.generations[static_cast<std::size_t>(Generation::Extended)] = true;
            else
                fail("generations", "entries must be \"old\", \"basic\" or \"extended\"");
        }
    }

    void readEncoding(const Json& value, SimulatedDevice& device)
    {
        std::string text = value.is_string() ? value.get<std::string>() : "";
        if (text == "utf-8")
            device.encoding = TextEncoding::Utf8;
        else if (text == "windows-1250")
            device.encoding = TextEncoding::Windows1250;
        else
            fail("encoding", "must be \"utf-8\" or \"windows-1250\"");
    }

    void readHttpMode(const Json& value, SimulatedDevice& device)
    {
        std::string text = value.is_string() ? value.get<std::string>() : "";
        if (text == "normal")
            device.http = HttpMode::Normal;
        else if (text == "refuse-first")
            device.http = HttpMode::RefuseFirst;
        else if (text == "closed")
            device.http = HttpMode::Closed;
        else if (text == "silent")
            device.http = HttpMode::Silent;
        else if (text == "endless-header")
            device.http = HttpMode::EndlessHeader;
        else if (text == "huge-body")
            device.http = HttpMode::HugeBody;
        else if (text == "drip")
            device.http = HttpMode::Drip;
        else if (auto interval = numberAfter(text, "drip:", 1, maxDripMilliseconds)) {
            device.http = HttpMode::Drip;
            device.httpDrip = std::chrono::milliseconds(*interval);
        } else
            fail("http", "must be \"normal\", \"refuse-first\", \"closed\", \"silent\", \"endless-header\", "
                         "\"huge-body\", \"drip\" or \"drip:<milliseconds>\" (1 to 60000)");
    }

    void readFaults(const Json& value, SimulatedDevice& device)
    {
        if (!value.is_array()) {
            fail("malformed", "must be a list");
            return;
        }
        for (const Json& entry : value) {
            std::string text = entry.is_string() ? entry.get<std::string>() : "";
            if (text == "replace") {
                device.replaceGoodReply = true;
                continue;
            }
            std::optional<Fault> fault = parseFault(text);
            if (fault)
                device.faults.push_back(*fault);
            else
                fail("malformed", "has an unknown entry \"" + text + "\"");
        }
    }

    // Seconds as a JSON number (fractions allowed, so tests can be quick).
    std::chrono::milliseconds readSeconds(const std::string& key, const Json& value)
    {
        if (value.is_number()) {
            auto seconds = value.get<double>();
            if (seconds >= 0 && seconds <= 3600)
                return std::chrono::milliseconds(static_cast<long long>(seconds * 1000 + 0.5));
        }
        fail(key, "must be a number of seconds from 0 to 3600");
        return {};
    }

    // Reads `value` as an object whose every key `each` knows.
    template<typename Each>
    void readObject(const std::string& key, const Json& value, Each each)
    {
        if (!value.is_object()) {
            fail(key, "must be an object");
            return;
        }
        for (const auto& [inner, innerValue] : value.items()) {
            if (!each(key + "." + inner, inner, innerValue))
                fail(key + "." + inner, "is not a known field");
        }
    }

    static std::optional<FinalReply> parseFinalReply(const std::string& text)
    {
        if (text == "none")
            return FinalReply {FinalReplyKind::None, 0};
        if (text == "no-at")
            return FinalReply {FinalReplyKind::NoAt, 0};
        if (text.size() < 3 || text.front() != '@' || text.back() != '@')
            return std::nullopt;
        std::int32_t code = 0;
        const char* first = text.data() + 1;
        const char* last = text.data() + text.size() - 1;
        auto [end, status] = std::from_chars(first, last, code);
        if (status != std::errc() || end != last)
            return std::nullopt;
        return FinalReply {FinalReplyKind::Code, code};
    }

    void readUpgrade(const Json& value, UpgradeBehaviour& upgrade)
    {
        readObject("upgrade", value, [&](const std::string& path, const std::string& key, const Json& inner) {
            if (key == "sized") {
                readBool(path, inner, upgrade.sized);
            } else if (key == "final") {
                std::optional<FinalReply> reply = inner.is_string() ? parseFinalReply(inner.get<std::string>())
                                                                    : std::nullopt;
                if (reply)
                    upgrade.finalReply = *reply;
                else
                    fail(path, "must be \"@<code>@\", \"none\" or \"no-at\"");
            } else if (key == "progressSeconds") {
                upgrade.progress = readSeconds(path, inner);
            } else if (key == "reboot") {
                RebootPlan plan;
                readObject(path, inner, [&](const std::string& rebootPath, const std::string& rebootKey,
                                            const Json& rebootValue) {
                    if (rebootKey == "afterSeconds")
                        plan.after = readSeconds(rebootPath, rebootValue);
                    else if (rebootKey == "downSeconds")
                        plan.down = readSeconds(rebootPath, rebootValue);
                    else
                        return false;
                    return true;
                });
                upgrade.reboot = plan;
            } else if (key == "hostile") {
                std::string text = inner.is_string() ? inner.get<std::string>() : "";
                if (text == "none")
                    upgrade.hostile = UpgradeHostility::None;
                else if (text == "close-after-command")
                    upgrade.hostile = UpgradeHostility::CloseAfterCommand;
                else if (text == "stop-reading")
                    upgrade.hostile = UpgradeHostility::StopReading;
                else if (text == "never-100")
                    upgrade.hostile = UpgradeHostility::Never100;
                else
                    fail(path, "must be \"none\", \"close-after-command\", \"stop-reading\" or \"never-100\"");
            } else {
                return false;
            }
            return true;
        });
    }

    void readVideoServer(const Json& value, VideoServerBehaviour& videoServer)
    {
        if (value.is_boolean()) {
            videoServer.enabled = value.get<bool>();
            return;
        }
        videoServer.enabled = true;
        readObject("videoServer", value, [&](const std::string& path, const std::string& key, const Json& inner) {
            if (key == "port") {
                videoServer.port = static_cast<std::uint16_t>(readInteger(path, inner, 1, 65535));
            } else if (key == "progressSeconds") {
                videoServer.progress = readSeconds(path, inner);
            } else if (key == "errorCode") {
                videoServer.errorCode = static_cast<std::int32_t>(readInteger(path, inner,
                    std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
                if (videoServer.errorCode == 0)
                    fail(path, "must not be 0 (0 means success)");
            } else if (key == "hostile") {
                std::string text = inner.is_string() ? inner.get<std::string>() : "";
                if (text == "none")
                    videoServer.hostile = VideoServerHostility::None;
                else if (text == "refuse-login")
                    videoServer.hostile = VideoServerHostility::RefuseLogin;
                else if (text == "close-mid-transfer")
                    videoServer.hostile = VideoServerHostility::CloseMidTransfer;
                else if (text == "error-at-end")
                    videoServer.hostile = VideoServerHostility::ErrorAtEnd;
                else if (text == "drip")
                    videoServer.hostile = VideoServerHostility::Drip;
                else
                    fail(path, "must be \"none\", \"refuse-login\", \"close-mid-transfer\", \"error-at-end\" or \"drip\"");
            } else if (key == "dripSeconds") {
                videoServer.drip = readSeconds(path, inner);
            } else {
                return false;
            }
            return true;
        });
    }

    const Json& object_;
};

} // namespace

DeviceFileResult DeviceFile::load(const std::string& path)
{
    return LoadJsonDeviceList<DeviceFileResult>(path, &DeviceFile::parse);
}

DeviceFileResult DeviceFile::parse(std::string_view jsonText)
{
    return ParseJsonDeviceList<DeviceFileResult, DeviceReader>(jsonText, "devices", "a \"devices\" list");
}

} // namespace lorvena::devsim
