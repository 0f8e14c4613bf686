#include "cli/DeviceSelection.h"

#include "platform/LocalAddresses.h"
#include "platform/TextNumbers.h"

namespace lorvena {

namespace {

std::string describe(const DeviceRecord& row)
{
    std::string text = "  " + (row.mac.empty() ? std::string("(no MAC)") : row.mac) + "  " + row.ip;
    if (!row.name.empty())
        text += "  " + row.name;
    if (!row.typeCode.empty())
        text += "  (type " + row.typeCode + ")";
    return text;
}

std::vector<std::size_t> rowsAt(const DeviceTable& table, const std::string& ip)
{
    std::vector<std::size_t> rows;
    for (std::size_t row = 0; row < table.rowCount(); ++row) {
        if (table.row(row).ip == ip)
            rows.push_back(row);
    }
    return rows;
}

// Only the extended request names the device by its MAC as well; the old
// and basic requests, the logins, the credential checks and every upgrade
// route reach whichever device answers at the address.
bool namesDeviceByMac(const DeviceRecord& row, SelectionPurpose purpose, int searchMode)
{
    if (purpose == SelectionPurpose::Upgrade || searchMode == 0)
        return false;
    std::int32_t type = leadingInteger(row.typeCode);
    return (type >= 500 && type <= 899) || type == 1000;
}

RowChoice refused(std::string problem)
{
    return {RowChoice::Verdict::Refused, -1, std::move(problem)};
}

// The devices that answered at `ip` but are not listed: the duplicate rules
// keep one row per address for old and basic replies.
std::string describeHidden(const DeviceTable& table, const std::string& ip)
{
    std::string text;
    for (const DeviceRecord& record : table.hiddenAt(ip))
        text += "\n" + describe(record) + "  (answered too; not listed: same address)";
    return text;
}

RowChoice byAddress(const DeviceTable& table, std::uint32_t address)
{
    const std::string ip = dottedAddress(address);
    std::vector<std::size_t> rows = rowsAt(table, ip);
    if (rows.empty())
        return {RowChoice::Verdict::NotListed, -1, "no device with address " + ip};
    const std::size_t devices = rows.size() + table.hiddenAt(ip).size();
    if (devices == 1)
        return {RowChoice::Verdict::Chosen, static_cast<int>(rows.front()), {}};
    std::string problem = std::to_string(devices) + " devices answered at " + ip + "; choose one by its MAC " +
        "(--mac for set and upgrade, the MAC in place of the address in --devices):";
    for (std::size_t row : rows)
        problem += "\n" + describe(table.row(row));
    return refused(problem + describeHidden(table, ip));
}

RowChoice byMac(const DeviceTable& table, const std::string& mac, SelectionPurpose purpose, int searchMode)
{
    std::vector<std::size_t> rows;
    for (std::size_t row = 0; row < table.rowCount(); ++row) {
        if (macDigits(table.row(row).mac) == mac)
            rows.push_back(row);
    }
    if (rows.empty()) {
        for (std::size_t row = 0; row < table.rowCount(); ++row) {
            for (const DeviceRecord& hidden : table.hiddenAt(table.row(row).ip)) {
                if (macDigits(hidden.mac) == mac)
                    return refused("the device " + hidden.mac + " answered at " + hidden.ip +
                        ", where another device is listed; no request can reach it alone. Connect it on its own " +
                        "and search again:\n" + describe(table.row(row)) + describeHidden(table, hidden.ip));
            }
        }
        return {RowChoice::Verdict::NotListed, -1, "no device with MAC " + macWithColons(mac)};
    }
    if (rows.size() > 1) {
        std::string problem = "the MAC " + macWithColons(mac) + " is listed " + std::to_string(rows.size()) +
            " times; choose one with --device:";
        for (std::size_t row : rows)
            problem += "\n" + describe(table.row(row));
        return refused(problem);
    }
    const DeviceRecord& chosen = table.row(rows.front());
    std::vector<std::size_t> sharing = rowsAt(table, chosen.ip);
    const std::size_t others = sharing.size() - 1 + table.hiddenAt(chosen.ip).size();
    if (others > 0 && !namesDeviceByMac(chosen, purpose, searchMode)) {
        std::string what = purpose == SelectionPurpose::Upgrade
            ? "the package would go to whichever of them answers"
            : "a change by this device's path reaches every device at that address";
        std::string problem = "the device " + chosen.mac + " shares the address " + chosen.ip + " with " +
            std::to_string(others) + " other device(s); " + what + ". Connect it on its own and search again:";
        for (std::size_t row : sharing)
            problem += "\n" + describe(table.row(row));
        return refused(problem + describeHidden(table, chosen.ip));
    }
    return {RowChoice::Verdict::Chosen, static_cast<int>(rows.front()), {}};
}

} // namespace

RowChoice chooseRow(const DeviceTable& table, const DeviceChoice& choice, SelectionPurpose purpose, int searchMode)
{
    return choice.byMac() ? byMac(table, choice.mac, purpose, searchMode) : byAddress(table, choice.ip);
}

RowChoices chooseRows(const DeviceTable& table, const std::vector<DeviceChoice>& choices, int searchMode)
{
    RowChoices result;
    for (const DeviceChoice& choice : choices) {
        RowChoice one = chooseRow(table, choice, SelectionPurpose::Change, searchMode);
        if (one.verdict == RowChoice::Verdict::Chosen) {
            for (int earlier : result.rows) {
                // A second Ctrl+click on a row takes it out of the batch.
                if (earlier == one.row)
                    one = refused("--devices names the device " + table.row(static_cast<std::size_t>(earlier)).mac +
                        " at " + table.row(static_cast<std::size_t>(earlier)).ip + " twice");
            }
        }
        if (one.verdict != RowChoice::Verdict::Chosen)
            return {one.verdict, {}, one.problem};
        result.rows.push_back(one.row);
    }
    return result;
}

std::string macWithColons(const std::string& digits)
{
    std::string text;
    for (std::size_t i = 0; i < digits.size(); i += 2) {
        if (i > 0)
            text += ':';
        text += digits.substr(i, 2);
    }
    return text;
}

} // namespace lorvena
