#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
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

inline constexpr std::size_t defaultShortLength = 40;
inline constexpr std::size_t oversizeExtraBytes = 100;

// One simulated device: everything it tells about itself when searched.
// Texts are UTF-8 here; `encoding` says how they go on the wire.
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
    std::string password; // administrator password, for the modify and HTTP features
    TextEncoding encoding = TextEncoding::Utf8;
    std::vector<Fault> faults; // sent in this order, before the good reply
    bool replaceGoodReply = false;

    bool answers(Generation generation) const { return generations[static_cast<std::size_t>(generation)]; }
};

} // namespace lorvena::devsim
