#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace lorvena {

using ByteView = std::span<const std::uint8_t>;
using MutableByteView = std::span<std::uint8_t>;

// A text inside a fixed-size wire field: where it starts and how many bytes of
// it may be read at most. The text ends at its first NUL or at that bound,
// whichever comes first; nothing past the bound is ever read.
struct TextField {
    std::size_t offset;
    std::size_t maxLength;
};

// Readers for fixed offsets. Every wire record is handled in a buffer of its
// full size; reading past the end of a shorter buffer yields zeros instead of
// undefined behaviour.
std::uint8_t readByte(ByteView bytes, std::size_t offset);
std::uint32_t readBigEndian32(ByteView bytes, std::size_t offset);
std::int32_t readLittleEndianSigned32(ByteView bytes, std::size_t offset);
std::string_view readText(ByteView bytes, TextField field);

// Writers, for building requests (and the simulator's replies). A text longer
// than its field is cut so that the field keeps its terminating NUL.
void writeBigEndian32(MutableByteView bytes, std::size_t offset, std::uint32_t value);
void writeLittleEndian32(MutableByteView bytes, std::size_t offset, std::uint32_t value);
void writeText(MutableByteView bytes, TextField field, std::string_view text);

} // namespace lorvena
