#include "discovery/WireBytes.h"

#include <algorithm>
#include <cstring>

namespace lorvena {

std::uint8_t readByte(ByteView bytes, std::size_t offset)
{
    return offset < bytes.size() ? bytes[offset] : 0;
}

std::uint32_t readBigEndian32(ByteView bytes, std::size_t offset)
{
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i)
        value = (value << 8) | readByte(bytes, offset + i);
    return value;
}

std::int32_t readLittleEndianSigned32(ByteView bytes, std::size_t offset)
{
    std::uint32_t value = 0;
    for (std::size_t i = 4; i-- > 0;)
        value = (value << 8) | readByte(bytes, offset + i);
    return static_cast<std::int32_t>(value);
}

std::string_view readText(ByteView bytes, TextField field)
{
    if (field.offset >= bytes.size())
        return {};
    std::size_t available = std::min(field.maxLength, bytes.size() - field.offset);
    const auto* start = reinterpret_cast<const char*>(bytes.data() + field.offset);
    const void* nul = std::memchr(start, 0, available);
    std::size_t length = nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - start) : available;
    return {start, length};
}

void writeBigEndian32(MutableByteView bytes, std::size_t offset, std::uint32_t value)
{
    for (std::size_t i = 0; i < 4; ++i)
        bytes[offset + i] = static_cast<std::uint8_t>(value >> (8 * (3 - i)));
}

void writeLittleEndian32(MutableByteView bytes, std::size_t offset, std::uint32_t value)
{
    for (std::size_t i = 0; i < 4; ++i)
        bytes[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

void writeText(MutableByteView bytes, TextField field, std::string_view text)
{
    std::size_t length = std::min(text.size(), field.maxLength);
    std::fill_n(bytes.begin() + static_cast<std::ptrdiff_t>(field.offset), field.maxLength, std::uint8_t {0});
    std::memcpy(bytes.data() + field.offset, text.data(), length);
}

} // namespace lorvena
