#pragma once

#include "cli/CliArguments.h"
#include "discovery/DeviceTable.h"
#include "discovery/DeviceTableText.h"

#include <string>

namespace lorvena {

// The device list as text, in table order, with the active layout's columns.
std::string formatTable(const DeviceTable& table);
// CSV: formatCsv (discovery/DeviceTableText.h), shared with the window's
// export; written to standard output without a byte-order mark, which
// would land inside the first column's title for a script reading it.
// An array of objects, one per row; every value is the cell text.
std::string formatJson(const DeviceTable& table);

std::string formatDeviceTable(const DeviceTable& table, OutputFormat format);

} // namespace lorvena
