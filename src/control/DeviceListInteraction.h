#pragma once

#include "control/DeviceListSort.h"
#include "control/MainView.h"
#include "control/WindowState.h"
#include "discovery/DeviceTable.h"

namespace lorvena {

enum class ClickKind { Plain, CtrlOnly };

// What clicks on the device list do: a plain click copies the row into the
// form and the selected-device texts; a Ctrl+click adds the row to (or takes
// it out of) the batch that "Zmiana IP" changes with consecutive addresses;
// a double-click opens the device's web page; a header click sorts.
class DeviceListInteraction {
public:
    DeviceListInteraction(MainView& view, DeviceTable& table, WindowState& state);

    // `row` is the row under the cursor, or -1 for the empty area.
    void click(int row, ClickKind kind);
    void doubleClick(int row);
    void headerClick(int column);

    // The table was emptied: the batch refers to rows that are gone.
    void tableCleared();

private:
    void plainClickOldLayout(std::size_t row);
    void plainClickNewLayout(std::size_t row);
    void ctrlClick(int row);
    void addToBatch(std::size_t row);
    void recordClickedDevice(std::size_t row);
    void showBatchMarks();
    bool rowOnDhcp(std::size_t row) const;
    // The DHCP box and the address fields it greys, in the form.
    void showDhcp(bool on);
    std::string cell(std::size_t row, DeviceField field) const;

    MainView& view_;
    DeviceTable& table_;
    WindowState& state_;
    DeviceListSort sort_;
};

// The address a double-click opens.
std::string deviceWebAddress(const std::string& ip, const std::string& httpPort);

} // namespace lorvena
