#pragma once

#include "control/ControlId.h"
#include "control/FormValues.h"
#include "control/UpgradePanelValues.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lorvena {

// What the controller asks of whatever shows the main window: the Qt window,
// the console, or a test's scripted fake. The controller owns the state; a
// view shows it and forwards what the user does. Every call comes on the
// window's thread.
class MainView {
public:
    virtual ~MainView() = default;

    // --- the device list (its content is the controller's table)
    virtual void tableCleared() = 0;
    virtual void rowAppended(std::size_t row) = 0;
    // Every row may have moved: show them again, with the sort arrow.
    virtual void tableReordered(int sortColumn, bool ascending) = 0;
    // Show these rows as the batch selection.
    virtual void markRows(const std::vector<std::size_t>& rows) = 0;
    // The row's cells or its check mark (DeviceTable::check) changed: a
    // changed device was seen again at its new settings, or not seen.
    virtual void rowUpdated(std::size_t row) = 0;
    // The row's device shares its address with other devices (other MACs):
    // shown in a warning colour, `note` ("Konflikt adresu IP: ...") naming
    // them. An empty note: no conflict (any more). Like the check mark, it
    // belongs to the row's place: after tableReordered the controller says
    // again for every row.
    virtual void rowConflict(std::size_t /*row*/, std::string_view /*note*/) {}

    // --- the form, exchanged all at once
    virtual FormValues readForm() = 0;
    // A text control is rewritten only where its text differs, so the edit
    // being typed in keeps its caret and raises no new change.
    virtual void writeForm(const FormValues& values) = 0;

    // --- controls by id
    virtual void setVisible(ControlId id, bool visible) = 0;
    virtual void setEnabled(ControlId id, bool enabled) = 0;
    virtual void setText(ControlId id, std::string_view text) = 0;
    // The skin tab buttons' "selected" look.
    virtual void setSelected(ControlId id, bool selected) = 0;
    // A digit edit that accepts no typing while locked.
    virtual void setLocked(ControlId id, bool locked) = 0;
    virtual void setToolTip(ControlId id, std::string_view text) = 0;
    // Whether a check box is ticked; the window reads the "ONVIF tryb maski"
    // box (1044) this way when a search starts. Unticked unless a view says.
    virtual bool isChecked(ControlId) { return false; }
    // Moves `moved` onto the rectangle `target` occupies.
    virtual void placeOver(ControlId moved, ControlId target) = 0;
    virtual void setWindowTitle(std::string_view title) = 0;

    // --- the upgrade panel
    virtual void setUpgradePanelVisible(bool visible) = 0;
    // Empties the password edit (1031) only.
    virtual void clearUpgradePanelPassword() = 0;
    // Range 0..100, position 0; the bar keeps its look.
    virtual void resetUpgradeProgress() = 0;
    // "Load" and "show" of the panel's edits.
    virtual UpgradeFields readUpgradePanel() = 0;
    virtual void writeUpgradePanel(const UpgradeFields& fields) = 0;
    // Called only when what the bar shows changes.
    virtual void showUpgradeBar(const UpgradeBar& bar) = 0;
    // The open-file dialog of the panel's "..." button, with
    // upgradeFileFilter; nothing when the user cancels.
    virtual std::optional<std::string> chooseUpgradeFile() = 0;
    // Keyboard focus to the panel's user name edit (1030).
    virtual void focusUpgradeUserName() = 0;

    // --- dialogs and the shell
    // A modal message with an OK button.
    virtual void showMessage(std::string_view text) = 0;
    // A modal question with OK and Cancel and a warning icon; true for OK.
    virtual bool askOkCancel(std::string_view text) = 0;
    virtual void focusControl(ControlId id) = 0;
    // A remark that asks nothing and is no outcome (a check that could not
    // be made): the console prints it on standard error, the window traces it.
    virtual void showNote(std::string_view /*text*/) {}

    // The modal busy dialog: runs until its Cancel (busyCancelled) or
    // endBusyDialog(); messages keep being handled meanwhile.
    enum class BusyPicture { Searching, Changing };
    // Its results, in the window's own numbers: closed by the program, or
    // by the user's Cancel.
    static constexpr int busyEnded = 0;
    static constexpr int busyCancelled = 2;
    virtual int runBusyDialog(BusyPicture picture) = 0;
    virtual void endBusyDialog(int result) = 0;
    // Runs `work` on the window's thread and waits until it is done: how a
    // worker thread shows a message or refreshes the form.
    virtual void runOnGuiThread(const std::function<void()>& work) = 0;

    virtual void openUrl(const std::string& url) = 0;
    // Ends the window with a result code: closed with its own close button,
    // or cancelled (a close request from the system, or a soft close).
    static constexpr int windowClosed = 1;
    static constexpr int windowCancelled = 2;
    virtual void endWindow(int result) = 0;
    // Asks the window to close later, as a close request from the system.
    virtual void postCloseRequest() = 0;
};

} // namespace lorvena
