#pragma once

#include "controls/CSortListCtrl.h"
#include "discovery/DeviceRecord.h"

#include <vector>

namespace lorvena {

// The device list's columns in `layout`, as the list control takes them.
inline std::vector<ListColumn> listColumnsOf(TableLayout layout)
{
    std::vector<ListColumn> columns;
    for (const ColumnSpec& column : columnsOf(layout))
        columns.push_back({column.title, column.width});
    return columns;
}

} // namespace lorvena
