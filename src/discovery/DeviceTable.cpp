#include "discovery/DeviceTable.h"

#include "discovery/MacText.h"

#include <algorithm>

namespace lorvena {

const std::string& DeviceTable::text(std::size_t row, int column) const
{
    return rows_.at(row).field(columnsOf(layout_)[static_cast<std::size_t>(column)].field);
}

std::string DeviceTable::macAndIp(std::string_view mac, std::string_view ip)
{
    std::string key(mac);
    key += '\0'; // in neither text
    key += ip;
    return key;
}

void DeviceTable::index(const DeviceRecord& record)
{
    ++ips_[record.ip];
    ++macs_[record.mac];
    ++macAndIps_[macAndIp(record.mac, record.ip)];
}

void DeviceTable::unindex(const DeviceRecord& record)
{
    auto forget = [](std::unordered_map<std::string, std::size_t>& counts, const std::string& key) {
        auto found = counts.find(key);
        if (found != counts.end() && --found->second == 0)
            counts.erase(found);
    };
    forget(ips_, record.ip);
    forget(macs_, record.mac);
    forget(macAndIps_, macAndIp(record.mac, record.ip));
}

std::size_t DeviceTable::append(DeviceRecord record)
{
    index(record);
    rows_.push_back(std::move(record));
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

void DeviceTable::noteHidden(const DeviceRecord& record)
{
    const std::optional<std::string> mac = macDigits(record.mac);
    if (!mac || ips_.find(record.ip) == ips_.end())
        return;
    auto sameDevice = [&](const DeviceRecord& other) { return other.ip == record.ip && macDigits(other.mac) == mac; };
    // Bounded: a flood of made-up MACs at one address adds nothing past this.
    constexpr std::size_t hiddenLimit = 256;
    if (hidden_.size() >= hiddenLimit || std::any_of(rows_.begin(), rows_.end(), sameDevice)
        || std::any_of(hidden_.begin(), hidden_.end(), sameDevice))
        return;
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
    auto found = ips_.find(std::string(ip));
    if (found != ips_.end() && found->second > 1)
        return true;
    return std::any_of(hidden_.begin(), hidden_.end(), [&](const DeviceRecord& record) { return record.ip == ip; });
}

bool DeviceTable::isDuplicate(DuplicateRule rule, std::string_view mac, std::string_view ip) const
{
    switch (rule) {
    case DuplicateRule::SameIp:
        return ips_.contains(std::string(ip));
    case DuplicateRule::SameMacOrIp:
        return macs_.contains(std::string(mac)) || ips_.contains(std::string(ip));
    case DuplicateRule::SameMacAndIpInOneRow:
        return macAndIps_.contains(macAndIp(mac, ip));
    }
    return false;
}

void DeviceTable::reorder(const std::vector<std::size_t>& order)
{
    std::vector<DeviceRecord> rows;
    std::vector<std::uint64_t> ids;
    std::vector<Check> checks;
    rows.reserve(order.size());
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
}

} // namespace lorvena
