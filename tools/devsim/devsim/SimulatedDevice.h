#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
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

// A user name or password as the device expects it on the wire: in
// Windows-1250 whatever the device's text encoding, on every route that
// carries credentials as 8-bit text (HTTP Basic, the extended modify request,
// the video-server login). The tool sends them so; a device that expected
// UTF-8 here would refuse every password with a Polish letter.
std::string credentialText(std::string_view utf8);

// A deliberately bad datagram sent along with (or instead of) the good reply,
// so tests can check that the tool drops or copes with it.
enum class FaultKind : std::uint8_t {
    WrongMagic,   // the good reply with a near-miss magic ("Search.....")
    Byte11NotNul, // the good reply with the magic's terminating NUL overwritten
    Short,        // only the first `length` bytes of the good reply
    EchoRequest,  // the request itself, sent back unchanged
    Oversize,     // the good reply followed by extra bytes
    NoNul,        // the good reply with every text field filled to its end: no terminator anywhere
    Length,       // the good reply cut or padded to exactly `length` bytes
};

struct Fault {
    FaultKind kind = FaultKind::WrongMagic;
    std::size_t length = 0; // Short and Length only
};

// The largest payload of one UDP datagram over IPv4.
inline constexpr std::size_t maxDatagramBytes = 65507;

// How the device's web server behaves towards the credential probes.
enum class HttpMode : std::uint8_t {
    Normal,      // 200 with the right credentials, 401 without
    RefuseFirst, // 401 to the first probe path whatever the credentials
    Closed,      // no server: connections are refused
    Silent,      // connections are accepted and never answered
    // Hostile servers: the answer a normal one would give, but
    EndlessHeader, // its status line followed by a header line that never ends
    Drip,          // sent one byte per `httpDrip`
    HugeBody,      // with a body of hugeBodyBytes (streamed, never held whole)
};

inline constexpr std::uint64_t hugeBodyBytes = 1ull << 30;

// The device's last words on a firmware upload, after the package.
enum class FinalReplyKind : std::uint8_t {
    Code, // "@<code>@": the device's verdict (0 accepted)
    None, // nothing: the connection is closed
    NoAt, // a text without the "@" pair
};

struct FinalReply {
    FinalReplyKind kind = FinalReplyKind::Code;
    std::int32_t code = 0;
};

// What a hostile device does to a firmware upload.
enum class UpgradeHostility : std::uint8_t {
    None,
    CloseAfterCommand, // closes the connection instead of the first reply
    StopReading,       // stops reading half-way through the package, keeps the connection
    Never100,          // its progress figure stops at 60
};

// A restart after the upload: the device's address leaves its interface
// `after` the package has arrived and comes back `down` later.
struct RebootPlan {
    std::chrono::milliseconds after {0};
    std::chrono::milliseconds down {0};
};

// How the device takes a firmware upload on its HTTP port.
struct UpgradeBehaviour {
    bool sized = false; // a 4-byte size field follows the command
    FinalReply finalReply;
    std::chrono::milliseconds progress {0}; // its progress figure climbs from 0 to 100 over this
    std::optional<RebootPlan> reboot;
    UpgradeHostility hostile = UpgradeHostility::None;
};

enum class VideoServerHostility : std::uint8_t {
    None,
    RefuseLogin,      // refuses every login
    CloseMidTransfer, // closes the connection half-way through the package
    ErrorAtEnd,       // reports `errorCode` after writing
    Drip,             // sends every reply one byte per `drip`
};

// The video-server service of a device (see README.md for its protocol).
struct VideoServerBehaviour {
    bool enabled = false;
    std::uint16_t port = 4000;
    std::chrono::milliseconds progress {0}; // writing the package: 0 to 100 over this
    VideoServerHostility hostile = VideoServerHostility::None;
    std::int32_t errorCode = 7; // reported with ErrorAtEnd
    std::chrono::milliseconds drip {1000}; // Drip only: between two bytes
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
    std::chrono::milliseconds httpDrip {1000}; // Drip only: between two bytes
    TextEncoding encoding = TextEncoding::Utf8;
    std::vector<Fault> faults; // sent in this order, before the good reply
    bool replaceGoodReply = false;
    UpgradeBehaviour upgrade;
    VideoServerBehaviour videoServer;
    // Takes modify requests (an extended one is answered "accepted") but
    // changes nothing: the device a change cannot be seen to have reached.
    bool keepsAddress = false;

    bool answers(Generation generation) const { return generations[static_cast<std::size_t>(generation)]; }
};

} // namespace lorvena::devsim
