#include "discovery/DeviceTable.h"

#include <algorithm>

namespace lorvena {

const std::string& DeviceTable::text(std::size_t row, int column) const
{
    return rows_.at(row).field(columnsOf(layout_)[static_cast<std::size_t>(column)].field);
}

std::size_t DeviceTable::append(DeviceRecord record)
{
    rows_.push_back(std::move(record));
    return rows_.size() - 1;
}

bool DeviceTable::isDuplicate(DuplicateRule rule, std::string_view mac, std::string_view ip) const
{
    return std::any_of(rows_.begin(), rows_.end(), [&](const DeviceRecord& row) {
        switch (rule) {
        case DuplicateRule::SameIp:
            return row.ip == ip;
        case DuplicateRule::SameMacOrIp:
            return row.mac == mac || row.ip == ip;
        case DuplicateRule::SameMacAndIpInOneRow:
            return row.mac == mac && row.ip == ip;
        }
        return false;
    });
}

void DeviceTable::renumber()
{
    for (std::size_t i = 0; i < rows_.size(); ++i)
        rows_[i].number = std::to_string(i + 1);
}

} // namespace lorvena
