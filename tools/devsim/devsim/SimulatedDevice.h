#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace lorvena::devsim {

// The three generations of the search exchange. A device answers the ones its
// firmware knows; old firmware knows only the first.
enum class Generation : std::uint8_t { Old, Basic, Extended };
inline constexpr std::size_t generationCount = 3;

const char* generationName(Generation generation);

// How the device stores its texts. Older firmware uses the installers'
// Windows code page; the tool has to cope with both.
enum class TextEncoding : std::uint8_t { Utf8, Windows1250 };

// A UTF-8 text as the device stores and sends it, and back.
std::string toDeviceText(std::string_view utf8, TextEncoding encoding);
std::string fromDeviceText(std::string_view bytes, TextEncoding encoding);

// A deliberately bad datagram sent along with (or instead of) the good reply,
// so tests can check that the tool drops or copes with it.
enum class FaultKind : std::uint8_t {
    WrongMagic,   // the good reply with a near-miss magic ("Search.....")
    Byte11NotNul, // the good reply with the magic's terminating NUL overwritten
    Short,        // only the first `length` bytes of the good reply
    EchoRequest,  // the request itself, sent back unchanged
    Oversize,     // the good reply followed by extra bytes
};

struct Fault {
    FaultKind kind = FaultKind::WrongMagic;
    std::size_t length = 0; // Short only
};

// How the device's web server behaves towards the credential probes.
enum class HttpMode : std::uint8_t {
    Normal,      // 200 with the right credentials, 401 without
    RefuseFirst, // 401 to the first probe path whatever the credentials
    Closed,      // no server: connections are refused
    Silent,      // connections are accepted and never answered
};

inline constexpr std::size_t defaultShortLength = 40;
inline constexpr std::size_t oversizeExtraBytes = 100;

// One simulated device: everything it tells about itself when searched.
// Texts are UTF-8 here; `encoding` says how they go on the wire. The network
// settings (ip, mask, gateway, dns, ports, dhcp) change when the device
// accepts a modify request.
struct SimulatedDevice {
    std::array<bool, generationCount> generations {true, true, true};
    std::string kind = "IPCAMERA";
    std::string name;
    std::string firmware;
    std::uint32_t ip = 0; // host byte order; replies leave from this address when it is local
    std::string mask = "255.255.255.0";
    std::string gateway;
    std::string dns;
    std::array<std::uint8_t, 6> mac {};
    std::string macText; // the extended reply's MAC field
    std::uint32_t httpPort = 80;
    std::uint32_t rtspPort = 554;
    std::uint8_t channels = 1;
    bool dhcp = false;
    std::int32_t typeCode = 0;
    std::string password; // the administrator's ("admin") password, for modify requests and HTTP
    HttpMode http = HttpMode::Normal;
    TextEncoding encoding = TextEncoding::Utf8;
    std::vector<Fault> faults; // sent in this order, before the good reply
    bool replaceGoodReply = false;

    bool answers(Generation generation) const { return generations[static_cast<std::size_t>(generation)]; }
};

} // namespace lorvena::devsim
