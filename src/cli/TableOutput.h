#pragma once

#include "cli/CliArguments.h"
#include "discovery/DeviceTable.h"

#include <string>

namespace lorvena {

// The device list as text, in table order, with the active layout's columns.
std::string formatTable(const DeviceTable& table);
// RFC 4180: a header line of column titles, then one line per row.
std::string formatCsv(const DeviceTable& table);
// An array of objects, one per row; every value is the cell text.
std::string formatJson(const DeviceTable& table);

std::string formatDeviceTable(const DeviceTable& table, OutputFormat format);

} // namespace lorvena
