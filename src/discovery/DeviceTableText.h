#pragma once

#include "discovery/DeviceTable.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace lorvena {

// The device list as text for other programs, with the columns the list
// shows and its rows in table order (the window's current sort). The
// console's `search --format csv` and the window's export write the same
// bytes for the same table, so either can be checked against the other.
// Device texts are made printable first (printableText): a control
// character from a device's reply never reaches a file or the clipboard.

// RFC 4180: a header line of column titles, then one line per row, CRLF
// line ends, UTF-8 without a byte-order mark.
std::string formatCsv(const DeviceTable& table);

// Put before the CSV in a file meant for spreadsheet programs: without it
// they read UTF-8 as the system's 8-bit code page and garble Polish letters.
inline constexpr std::string_view utf8ByteOrderMark = "\xEF\xBB\xBF";

// One row's cells separated by tabs, no line end: what a spreadsheet takes
// as one pasted row.
std::string tabSeparatedRow(const DeviceTable& table, std::size_t row);

} // namespace lorvena
