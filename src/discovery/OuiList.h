#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <unordered_map>

namespace lorvena {

// Where Debian's ieee-data package puts the IEEE's list of MAC prefixes
// (OUIs) and the makers they were assigned to. Optional: without the
// package no maker is named.
inline constexpr std::string_view debianOuiFile = "/usr/share/ieee-data/oui.txt";

// The makers of network cards by the first three bytes of a MAC, read from
// the list's text form, whose lines name each prefix as
//   "00-12-AB   (hex)		Maker Name"
// (other lines are skipped). Read from disk only, never looked up online.
class OuiList {
public:
    // An unreadable or missing file gives an empty list, as does one larger
    // than maxFileBytes.
    static OuiList read(const std::filesystem::path& file);
    static OuiList parse(std::string_view text);
    static constexpr std::uintmax_t maxFileBytes = 64 * 1024 * 1024;

    // The maker of the MAC `mac` in any spelling macDigits reads, or an
    // empty text when the list does not know its prefix.
    std::string makerOf(std::string_view mac) const;
    bool empty() const { return makers_.empty(); }

private:
    std::unordered_map<std::uint32_t, std::string> makers_;
};

} // namespace lorvena
