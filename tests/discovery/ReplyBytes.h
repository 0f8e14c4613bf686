#pragma once

// Builds reply datagrams byte by byte at literal offsets, independently of
// the layout constants the code under test uses.

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string_view>
#include <vector>

namespace lorvena::testing_support {

class ReplyBytes {
public:
    ReplyBytes(std::size_t size, std::string_view magic, std::uint8_t command) : bytes_(size, 0)
    {
        text(0, magic);
        bytes_[12] = command;
    }

    ReplyBytes& text(std::size_t offset, std::string_view value)
    {
        std::memcpy(bytes_.data() + offset, value.data(), value.size());
        return *this;
    }
    ReplyBytes& raw(std::size_t offset, std::initializer_list<std::uint8_t> values)
    {
        std::size_t i = offset;
        for (std::uint8_t value : values)
            bytes_[i++] = value;
        return *this;
    }

    const std::vector<std::uint8_t>& bytes() const { return bytes_; }

private:
    std::vector<std::uint8_t> bytes_;
};

inline ReplyBytes oldModeReply() { return ReplyBytes(280, "search.....", 1); }
inline ReplyBytes basicReply() { return ReplyBytes(348, "searching..", 1); }
inline ReplyBytes extendedReply() { return ReplyBytes(544, "searching..", 0x0B); }

} // namespace lorvena::testing_support
