#pragma once

#include "discovery/DeviceTable.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace lorvena {

// Factory-default cameras all come up at one address, and a re-addressed
// device can land on an address another one already has: every device at an
// IP text that another device (another MAC) also shows is in conflict. Rows
// with the same MAC at one address are one device seen twice, not a
// conflict. The devices the duplicate rules kept off the list count too.

// The rows that show `ip`, in table order.
std::vector<std::size_t> FindRowsAtAddress(const DeviceTable& table, std::string_view ip);

// The row's tooltip when other devices share its address:
// "Konflikt adresu IP: " and each of them by MAC and name. Empty when none.
std::string DescribeConflict(const DeviceTable& table, std::size_t row);

// The note of every row at `ip`, in table order, in one pass: a burst of
// replies from factory-default devices at one address asks this per reply.
struct RowNote {
    std::size_t row;
    std::string note;
};
std::vector<RowNote> DescribeConflictsAt(const DeviceTable& table, std::string_view ip);

} // namespace lorvena
