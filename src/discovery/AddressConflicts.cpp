#include "discovery/AddressConflicts.h"

#include "discovery/MacText.h"

#include <map>

namespace lorvena {

namespace {

// A tooltip past this many names says how many more there are: a flood of
// factory-default devices must not make a tooltip taller than the screen.
constexpr std::size_t namedLimit = 8;

// One device, however its MAC is spelt; a text that is no MAC is its own key.
std::string deviceKey(const DeviceRecord& record)
{
    if (std::optional<std::string> digits = macDigits(record.mac))
        return *digits;
    return "text:" + record.mac;
}

std::string describe(const DeviceRecord& record)
{
    std::string text = record.mac.empty() ? std::string("(bez MAC)") : record.mac;
    if (!record.name.empty())
        text += " " + record.name;
    return text;
}

} // namespace

std::vector<std::size_t> FindRowsAtAddress(const DeviceTable& table, std::string_view ip)
{
    std::vector<std::size_t> rows;
    for (std::size_t row = 0; row < table.rowCount(); ++row) {
        if (table.row(row).ip == ip)
            rows.push_back(row);
    }
    return rows;
}

std::vector<RowNote> DescribeConflictsAt(const DeviceTable& table, std::string_view ip)
{
    if (!table.addressShared(ip))
        return {};
    const std::vector<std::size_t> rows = FindRowsAtAddress(table, ip);
    const std::vector<DeviceRecord> hidden = table.hiddenAt(ip);
    // Every device at the address once, in the order it was listed or heard.
    std::vector<const DeviceRecord*> devices;
    std::map<std::string, std::size_t> placeOf;
    auto add = [&](const DeviceRecord& record) {
        if (placeOf.emplace(deviceKey(record), devices.size()).second)
            devices.push_back(&record);
    };
    for (std::size_t row : rows)
        add(table.row(row));
    for (const DeviceRecord& record : hidden)
        add(record);

    std::vector<RowNote> notes;
    for (std::size_t row : rows) {
        const std::size_t self = placeOf.at(deviceKey(table.row(row)));
        std::string note;
        std::size_t named = 0;
        for (std::size_t i = 0; i < devices.size(); ++i) {
            if (i == self)
                continue;
            if (named < namedLimit)
                note += (named == 0 ? "Konflikt adresu IP: " : ", ") + describe(*devices[i]);
            ++named;
        }
        if (named > namedLimit)
            note += " i " + std::to_string(named - namedLimit) + " innych";
        notes.push_back({row, std::move(note)});
    }
    return notes;
}

std::string DescribeConflict(const DeviceTable& table, std::size_t row)
{
    const std::string& ip = table.row(row).ip;
    if (!table.addressShared(ip))
        return {};
    for (RowNote& note : DescribeConflictsAt(table, ip)) {
        if (note.row == row)
            return std::move(note.note);
    }
    return {};
}

} // namespace lorvena
