#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace lorvena::devsim {

// The video-server service's frames (README.md, "Video-server protocol"):
// "ZV", a type byte, a zero byte, the payload length (32 bits, least
// significant byte first), the payload. The package of an update follows its
// Update frame unframed.
//
// This is deliberately a second implementation, written from that README and
// not from the client's codec in src/sdk/ZazadaClient.cpp: the simulator is
// what checks the client, so a mistake in the client's framing (a length
// byte order, a header size, a cap) must show up as a failed exchange here
// rather than be mirrored by shared code. Keep the two apart.
enum class VideoFrameType : std::uint8_t {
    Login = 1,      // client: user and password, each a length byte and its bytes
    LoginReply = 2, // server: status byte, 0 accepted, 1 refused
    Info = 3,       // client: empty
    InfoReply = 4,  // server: name, firmware (each a length byte and its bytes), channel count byte
    Update = 5,     // client: package size, 64 bits LSB first; the package follows
    Progress = 6,   // server: percent byte 0..100 of the device's writing
    Result = 7,     // server: 32-bit signed code, LSB first; 0 the update succeeded
};

struct VideoFrame {
    enum class Status { Incomplete, Bad, Complete };
    Status status = Status::Incomplete;
    VideoFrameType type = VideoFrameType::Login;
    std::string_view payload; // points into the bytes read
    std::size_t size = 0;     // header and payload

    static constexpr std::size_t headerBytes = 8;
    static constexpr std::size_t maxPayloadBytes = 1024;

    // The frame at the start of `bytes`. Bad: wrong magic or reserved byte,
    // an unknown type, or a payload over the cap.
    static VideoFrame read(std::string_view bytes);
    static std::string make(VideoFrameType type, std::string_view payload);
};

// Little-endian integers and length-prefixed texts of the payloads.
std::string littleEndian(std::uint64_t value, std::size_t bytes);
std::uint64_t readLittleEndian(std::string_view bytes);
// A text cut to 255 bytes, after its length byte.
std::string shortText(std::string_view text);

} // namespace lorvena::devsim
