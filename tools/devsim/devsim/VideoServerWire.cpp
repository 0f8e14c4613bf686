#include "devsim/VideoServerWire.h"

#include <algorithm>

namespace lorvena::devsim {

namespace {

constexpr char magic0 = 'Z';
constexpr char magic1 = 'V';

} // namespace

VideoFrame VideoFrame::read(std::string_view bytes)
{
    VideoFrame frame;
    if ((bytes.size() > 0 && bytes[0] != magic0) || (bytes.size() > 1 && bytes[1] != magic1)
        || (bytes.size() > 3 && bytes[3] != 0)) {
        frame.status = Status::Bad;
        return frame;
    }
    if (bytes.size() > 2) {
        auto type = static_cast<std::uint8_t>(bytes[2]);
        if (type < static_cast<std::uint8_t>(VideoFrameType::Login)
            || type > static_cast<std::uint8_t>(VideoFrameType::Result)) {
            frame.status = Status::Bad;
            return frame;
        }
        frame.type = static_cast<VideoFrameType>(type);
    }
    if (bytes.size() < headerBytes)
        return frame;
    std::uint64_t length = readLittleEndian(bytes.substr(4, 4));
    if (length > maxPayloadBytes) {
        frame.status = Status::Bad;
        return frame;
    }
    if (bytes.size() < headerBytes + length)
        return frame;
    frame.status = Status::Complete;
    frame.payload = bytes.substr(headerBytes, length);
    frame.size = headerBytes + length;
    return frame;
}

std::string VideoFrame::make(VideoFrameType type, std::string_view payload)
{
    std::string bytes {magic0, magic1, static_cast<char>(type), '\0'};
    bytes += littleEndian(payload.size(), 4);
    bytes += payload;
    return bytes;
}

std::string littleEndian(std::uint64_t value, std::size_t bytes)
{
    std::string result;
    for (std::size_t i = 0; i < bytes; ++i)
        result += static_cast<char>((value >> (8 * i)) & 0xFF);
    return result;
}

std::uint64_t readLittleEndian(std::string_view bytes)
{
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < bytes.size() && i < 8; ++i)
        value |= std::uint64_t {static_cast<std::uint8_t>(bytes[i])} << (8 * i);
    return value;
}

std::string shortText(std::string_view text)
{
    std::string_view cut = text.substr(0, std::min<std::size_t>(text.size(), 255));
    return static_cast<char>(cut.size()) + std::string(cut);
}

} // namespace lorvena::devsim
