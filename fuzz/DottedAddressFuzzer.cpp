// Dotted address texts that come from devices: the selected row's address
// for the change paths (dottedToAddress) and the list's address columns
// when sorting (dottedValue, DeviceListSort). The input is split in two at
// its first NUL for the comparison.
#include "FuzzCheck.h"

#include "control/DeviceListSort.h"
#include "control/SelectedDevice.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>

using namespace lorvena;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t split = input.find('\0');
    const std::string_view a = input.substr(0, split);
    const std::string_view b = split == std::string_view::npos ? std::string_view {} : input.substr(split + 1);

    // With all four parts present both readings agree.
    const std::uint32_t address = dottedToAddress(a);
    const std::uint32_t value = dottedValue(a);
    if (std::count(a.begin(), a.end(), '.') == 3)
        FUZZ_CHECK(address == value);

    // Every column, both directions: a sort needs a strict weak order.
    DeviceListSort sort;
    for (int column = 1; column <= 13; ++column) {
        sort.clickHeader(column);
        for (int direction = 0; direction < 2; ++direction) {
            FUZZ_CHECK(!sort.before(a, a));
            FUZZ_CHECK(!(sort.before(a, b) && sort.before(b, a)));
            sort.clickHeader(column);
        }
    }
    return 0;
}
