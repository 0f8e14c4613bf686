#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace lorvena {

// Orders the device list by one column. Columns 3 and 4 hold addresses in
// the old layout (IP, mask) and firmware and IP in the new one; both compare
// as dotted numbers, so 192.168.1.10 comes after 192.168.1.9. Every other
// column compares as text in the user's locale, case-sensitively, so port
// "10" comes before "9".
class DeviceListSort {
public:
    // A header click on `column`. Column 0, the row number, does not sort:
    // returns false and changes nothing. Otherwise a new column sorts
    // ascending and the same column again reverses the direction.
    bool clickHeader(int column);

    int column() const { return column_; }
    bool ascending() const { return ascending_; }

    // Whether the row with `a` in the sorted column belongs before the row
    // with `b`, in the current direction.
    bool before(std::string_view a, std::string_view b) const;

    // The same order with each cell's key made once: the dotted value in
    // columns 3 and 4, the text's collation key in the user's locale
    // elsewhere (which compares byte by byte as the texts compare in the
    // locale).
    struct Key {
        std::uint32_t dotted = 0;
        std::string collated;
    };
    Key keyOf(std::string_view text) const;
    bool before(const Key& a, const Key& b) const;

private:
    int column_ = -1;
    bool ascending_ = true;
};

// A dotted text's value as four bytes, parsed exactly as the list always
// has: each part a leading integer cut to 8 bits; fewer than three dots
// still give a value.
std::uint32_t dottedValue(std::string_view text);

} // namespace lorvena
