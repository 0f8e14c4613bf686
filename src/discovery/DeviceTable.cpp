#include "discovery/DeviceTable.h"

#include "discovery/MacText.h"

#include <algorithm>

namespace lorvena {

const std::string& DeviceTable::text(std::size_t row, int column) const
{
    return rows_.at(row).field(columnsOf(layout_)[static_cast<std::size_t>(column)].field);
}

void DeviceTable::index(const DeviceRecord& record)
{
    rowsAtIps_[record.ip].push_back(&record);
    ++macs_[record.mac];
}

void DeviceTable::unindex(const DeviceRecord& record)
{
    if (auto found = rowsAtIps_.find(record.ip); found != rowsAtIps_.end()) {
        std::erase(found->second, &record);
        if (found->second.empty())
            rowsAtIps_.erase(found);
    }
    if (auto found = macs_.find(record.mac); found != macs_.end() && --found->second == 0)
        macs_.erase(found);
}

const std::vector<const DeviceRecord*>* DeviceTable::rowsAt(std::string_view ip) const
{
    auto found = rowsAtIps_.find(ip);
    return found == rowsAtIps_.end() ? nullptr : &found->second;
}

std::size_t DeviceTable::append(DeviceRecord record)
{
    rows_.push_back(std::move(record));
    index(rows_.back());
    ids_.push_back(nextId_++);
    checks_.emplace_back();
    return rows_.size() - 1;
}

void DeviceTable::update(std::size_t index, DeviceRecord record)
{
    DeviceRecord& row = rows_.at(index);
    unindex(row);
    record.number = row.number;
    row = std::move(record);
    this->index(row);
}

std::optional<std::size_t> DeviceTable::indexOf(std::uint64_t id) const
{
    auto found = std::find(ids_.begin(), ids_.end(), id);
    if (found == ids_.end())
        return std::nullopt;
    return static_cast<std::size_t>(found - ids_.begin());
}

bool DeviceTable::remembersHidden(std::string_view macText, std::string_view ip) const
{
    const std::optional<std::string> mac = macDigits(macText);
    const std::vector<const DeviceRecord*>* listed = rowsAt(ip);
    if (!mac || !listed)
        return false;
    auto listedDevice = [&](const DeviceRecord* row) { return macDigits(row->mac) == mac; };
    if (std::any_of(listed->begin(), listed->end(), listedDevice))
        return false;
    // Bounded: a flood of made-up MACs at one address adds nothing past this.
    constexpr std::size_t hiddenLimit = 256;
    auto sameDevice = [&](const DeviceRecord& other) { return other.ip == ip && macDigits(other.mac) == mac; };
    return hidden_.size() < hiddenLimit && std::none_of(hidden_.begin(), hidden_.end(), sameDevice);
}

void DeviceTable::noteHidden(const DeviceRecord& record)
{
    if (remembersHidden(record.mac, record.ip))
        hidden_.push_back(record);
}

std::vector<DeviceRecord> DeviceTable::hiddenAt(std::string_view ip) const
{
    std::vector<DeviceRecord> found;
    for (const DeviceRecord& record : hidden_) {
        if (record.ip == ip)
            found.push_back(record);
    }
    return found;
}

bool DeviceTable::addressShared(std::string_view ip) const
{
    if (const std::vector<const DeviceRecord*>* rows = rowsAt(ip); rows && rows->size() > 1)
        return true;
    return std::any_of(hidden_.begin(), hidden_.end(), [&](const DeviceRecord& record) { return record.ip == ip; });
}

bool DeviceTable::isDuplicate(DuplicateRule rule, std::string_view mac, std::string_view ip) const
{
    switch (rule) {
    case DuplicateRule::SameIp:
        return rowsAtIps_.contains(ip);
    case DuplicateRule::SameMacOrIp:
        return macs_.contains(mac) || rowsAtIps_.contains(ip);
    case DuplicateRule::SameMacAndIpInOneRow: {
        const std::vector<const DeviceRecord*>* listed = rowsAt(ip);
        auto sameMacText = [&](const DeviceRecord* row) { return row->mac == mac; };
        return listed && std::any_of(listed->begin(), listed->end(), sameMacText);
    }
    }
    return false;
}

void DeviceTable::reorder(const std::vector<std::size_t>& order)
{
    std::deque<DeviceRecord> rows;
    std::vector<std::uint64_t> ids;
    std::vector<Check> checks;
    ids.reserve(order.size());
    checks.reserve(order.size());
    for (std::size_t from : order) {
        rows.push_back(std::move(rows_[from]));
        ids.push_back(ids_[from]);
        checks.push_back(std::move(checks_[from]));
    }
    rows_ = std::move(rows);
    ids_ = std::move(ids);
    checks_ = std::move(checks);
    for (std::size_t i = 0; i < rows_.size(); ++i)
        rows_[i].number = std::to_string(i + 1);
    // The rows have moved.
    rowsAtIps_.clear();
    for (const DeviceRecord& row : rows_)
        rowsAtIps_[row.ip].push_back(&row);
}

} // namespace lorvena
