#include "discovery/AddressConflicts.h"

#include "discovery/MacText.h"

namespace lorvena {

namespace {

// A tooltip past this many names says how many more there are: a flood of
// factory-default devices must not make a tooltip taller than the screen.
constexpr std::size_t namedLimit = 8;

bool sameDevice(const DeviceRecord& a, const DeviceRecord& b)
{
    // Texts spelt alike are alike even when they are no MAC (an empty one).
    return a.mac == b.mac || sameMac(a.mac, b.mac);
}

std::string describe(const DeviceRecord& record)
{
    std::string text = record.mac.empty() ? std::string("(bez MAC)") : record.mac;
    if (!record.name.empty())
        text += " " + record.name;
    return text;
}

} // namespace

std::vector<std::size_t> rowsWithAddress(const DeviceTable& table, std::string_view ip)
{
    std::vector<std::size_t> rows;
    for (std::size_t row = 0; row < table.rowCount(); ++row) {
        if (table.row(row).ip == ip)
            rows.push_back(row);
    }
    return rows;
}

std::string conflictNote(const DeviceTable& table, std::size_t row)
{
    const DeviceRecord& self = table.row(row);
    if (!table.addressShared(self.ip))
        return {};
    std::vector<const DeviceRecord*> others;
    auto consider = [&](const DeviceRecord& other) {
        if (sameDevice(other, self))
            return;
        for (const DeviceRecord* known : others) {
            if (sameDevice(*known, other))
                return;
        }
        others.push_back(&other);
    };
    for (std::size_t shared : rowsWithAddress(table, self.ip))
        consider(table.row(shared));
    const std::vector<DeviceRecord> hidden = table.hiddenAt(self.ip);
    for (const DeviceRecord& record : hidden)
        consider(record);
    if (others.empty())
        return {};
    std::string note = "Konflikt adresu IP: ";
    for (std::size_t i = 0; i < others.size() && i < namedLimit; ++i) {
        if (i > 0)
            note += ", ";
        note += describe(*others[i]);
    }
    if (others.size() > namedLimit)
        note += " i " + std::to_string(others.size() - namedLimit) + " innych";
    return note;
}

} // namespace lorvena
