#include "control/DeviceListInteraction.h"

#include "platform/TextNumbers.h"

#include <algorithm>

namespace lorvena {

namespace {
constexpr int lowestLockedRtspType = 500;
} // namespace

DeviceListInteraction::DeviceListInteraction(MainView& view, DeviceTable& table, WindowState& state)
    : view_(view), table_(table), state_(state)
{
}

std::string DeviceListInteraction::cell(std::size_t row, DeviceField field) const
{
    return table_.row(row).field(field);
}

void DeviceListInteraction::click(int row, ClickKind kind)
{
    if (kind == ClickKind::CtrlOnly) {
        ctrlClick(row);
        return;
    }
    state_.batchMode = false;
    // A plain click ends a batch selection: the next Ctrl+click starts anew.
    state_.batchEntries.clear();
    view_.markRows({});
    if (state_.newGeneration()) {
        view_.setVisible(ControlId::StartIpLabel, false);
        view_.setVisible(ControlId::StartIp, false);
        view_.setVisible(ControlId::IpLabel, true);
        view_.setVisible(ControlId::NewIp, true);
        state_.startIpShown = false;
    }
    state_.selectedRow = row;
    if (row < 0 || static_cast<std::size_t>(row) >= table_.rowCount()) {
        state_.selectedRow = -1;
        return;
    }
    recordClickedDevice(static_cast<std::size_t>(row));
    if (state_.newGeneration())
        plainClickNewLayout(static_cast<std::size_t>(row));
    else
        plainClickOldLayout(static_cast<std::size_t>(row));
}

void DeviceListInteraction::plainClickOldLayout(std::size_t row)
{
    FormValues& form = state_.form;
    form = view_.readForm();
    form.newIp = dottedToAddress(cell(row, DeviceField::Ip));
    form.originalIp = form.newIp;
    // The field in the IP field's place shows the device's address too.
    if (state_.startIpShown)
        form.startIp = form.newIp;
    form.netMask = dottedToAddress(cell(row, DeviceField::Mask));
    // Old-generation replies carry no gateway: assume a.b.c.1.
    form.gateway = (form.newIp & 0xFFFFFF00u) | 1u;
    // The device is recognised by its MAC when looked for after a change.
    state_.selected.macText = cell(row, DeviceField::Mac);
    // Nor a DHCP flag: these devices keep fixed addresses, and the hidden
    // box must not leave a change without them.
    showDhcp(false);
    view_.writeForm(form);
}

void DeviceListInteraction::plainClickNewLayout(std::size_t row)
{
    FormValues& form = state_.form;
    SelectedDevice& selected = state_.selected;
    form = view_.readForm();
    form.newIp = dottedToAddress(cell(row, DeviceField::Ip));
    form.originalIp = form.newIp;
    form.netMask = dottedToAddress(cell(row, DeviceField::Mask));
    form.gateway = dottedToAddress(cell(row, DeviceField::Gateway));
    form.dnsServer = dottedToAddress(cell(row, DeviceField::Dns));

    selected.ipText = cell(row, DeviceField::Ip);
    selected.httpPortText = cell(row, DeviceField::HttpPort);
    selected.kindText = cell(row, DeviceField::Kind);
    selected.typeText = cell(row, DeviceField::TypeCode);
    selected.firmwareText = cell(row, DeviceField::Firmware);
    selected.macText = cell(row, DeviceField::Mac);

    form.httpPortText = cell(row, DeviceField::HttpPort);
    form.rtspPortText = cell(row, DeviceField::RtspPort);
    form.mobilePortText = cell(row, DeviceField::Channels);
    form.userName = "admin";
    form.passwordText.clear();
    view_.clearUpgradePanelPassword();

    showDhcp(rowOnDhcp(row));

    // Recorders (type 500 and up) keep their RTSP port tied to the HTTP port.
    view_.setLocked(ControlId::RtspPort, leadingInteger(selected.typeText) >= lowestLockedRtspType);
    view_.resetUpgradeProgress();
    view_.writeForm(form);
}

void DeviceListInteraction::ctrlClick(int row)
{
    state_.batchMode = true;
    view_.setVisible(ControlId::StartIpLabel, true);
    view_.setVisible(ControlId::StartIp, true);
    view_.setVisible(ControlId::IpLabel, false);
    view_.setVisible(ControlId::NewIp, false);
    view_.placeOver(ControlId::StartIpLabel, ControlId::IpLabel);
    view_.placeOver(ControlId::StartIp, ControlId::NewIp);
    state_.startIpShown = true;

    state_.selectedRow = row;
    if (row < 0 || static_cast<std::size_t>(row) >= table_.rowCount()) {
        state_.selectedRow = -1;
        return;
    }
    recordClickedDevice(static_cast<std::size_t>(row));
    // Ctrl+click toggles: a row already in the batch leaves it.
    std::uint64_t id = table_.rowId(static_cast<std::size_t>(row));
    auto listed = std::find_if(state_.batchEntries.begin(), state_.batchEntries.end(),
        [id](const BatchEntry& entry) { return entry.rowId == id; });
    if (listed != state_.batchEntries.end())
        state_.batchEntries.erase(listed);
    else
        addToBatch(static_cast<std::size_t>(row));
    showBatchMarks();
}

void DeviceListInteraction::addToBatch(std::size_t row)
{
    FormValues& form = state_.form;
    SelectedDevice& selected = state_.selected;
    BatchEntry entry;
    entry.rowId = table_.rowId(row);
    form = view_.readForm();
    entry.ip = cell(row, DeviceField::Ip);
    entry.mask = cell(row, DeviceField::Mask);
    entry.gateway = cell(row, DeviceField::Gateway);
    entry.dns = cell(row, DeviceField::Dns);
    form.netMask = dottedToAddress(entry.mask);
    form.gateway = dottedToAddress(entry.gateway);
    form.dnsServer = dottedToAddress(entry.dns);

    selected.httpPortText = cell(row, DeviceField::HttpPort);
    selected.kindText = cell(row, DeviceField::Kind);
    selected.typeText = cell(row, DeviceField::TypeCode);
    selected.firmwareText = cell(row, DeviceField::Firmware);
    entry.kind = selected.kindText;
    entry.mac = cell(row, DeviceField::Mac);
    entry.typeCode = leadingInteger(selected.typeText);

    form.httpPortText = cell(row, DeviceField::HttpPort);
    form.rtspPortText = cell(row, DeviceField::RtspPort);
    entry.httpPort = leadingInteger(form.httpPortText);
    entry.rtspPort = leadingInteger(form.rtspPortText);
    bool dhcp = rowOnDhcp(row);
    showDhcp(dhcp);
    entry.dhcp = dhcp ? 1 : 0;

    form.userName = "admin";
    form.passwordText.clear();
    view_.clearUpgradePanelPassword();
    view_.resetUpgradeProgress();
    view_.writeForm(form);
    state_.batchEntries.push_back(std::move(entry));
}

// The Upgrade tab acts on the row clicked last, whatever the click: its
// address, port and route all come from that one row, never one row's
// address with another's port or type.
void DeviceListInteraction::recordClickedDevice(std::size_t row)
{
    SelectedDevice& selected = state_.selected;
    selected.ipText = cell(row, DeviceField::Ip);
    selected.address = dottedToAddress(selected.ipText);
    selected.httpPortText = cell(row, DeviceField::HttpPort);
    selected.kindText = cell(row, DeviceField::Kind);
    selected.typeText = cell(row, DeviceField::TypeCode);
    selected.firmwareText = cell(row, DeviceField::Firmware);
    selected.macText = cell(row, DeviceField::Mac);
}

bool DeviceListInteraction::rowOnDhcp(std::size_t row) const
{
    // Old-generation rows have no DHCP cell: those devices have no such flag.
    return state_.newGeneration() && cell(row, DeviceField::Dhcp) != dhcpOffText;
}

void DeviceListInteraction::showDhcp(bool on)
{
    // A device on DHCP takes its addresses from the server: they are greyed,
    // and a request carries them only while they are not.
    state_.form.dhcpEnabled = on;
    for (ControlId id : {ControlId::NewIp, ControlId::NetMask, ControlId::Gateway, ControlId::Dns})
        view_.setEnabled(id, !on);
}

void DeviceListInteraction::showBatchMarks()
{
    std::vector<std::size_t> rows;
    for (const BatchEntry& entry : state_.batchEntries) {
        if (auto index = table_.indexOf(entry.rowId))
            rows.push_back(*index);
    }
    view_.markRows(rows);
}

void DeviceListInteraction::doubleClick(int row)
{
    if (row < 0 || static_cast<std::size_t>(row) >= table_.rowCount())
        return;
    auto at = static_cast<std::size_t>(row);
    view_.openUrl(deviceWebAddress(cell(at, DeviceField::Ip), cell(at, DeviceField::HttpPort)));
}

void DeviceListInteraction::headerClick(int column)
{
    if (column < 0 || static_cast<std::size_t>(column) >= table_.columnCount() || !sort_.clickHeader(column))
        return;
    table_.sortByColumnKeys(
        column, [this](const std::string& text) { return sort_.keyOf(text); },
        [this](const DeviceListSort::Key& a, const DeviceListSort::Key& b) { return sort_.before(a, b); });
    view_.tableReordered(sort_.column(), sort_.ascending());
    if (!state_.batchEntries.empty())
        showBatchMarks();
}

void DeviceListInteraction::tableCleared()
{
    state_.batchEntries.clear();
}

std::string deviceWebAddress(const std::string& ip, const std::string& httpPort)
{
    return "http://" + ip + ":" + httpPort;
}

} // namespace lorvena
