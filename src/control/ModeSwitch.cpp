#include "control/ModeSwitch.h"

namespace lorvena {

ModeSwitch::ModeSwitch(MainView& view, WindowState& state, const SettingsFile* settings, ProcessLauncher* launcher)
    : view_(view), state_(state), settings_(settings), launcher_(launcher)
{
}

void ModeSwitch::store(int searchMode)
{
    // A failed write is not reported: the settings file falls back to the
    // user's folder where the program's own is read-only.
    if (settings_)
        settings_->writeSearchMode(searchMode);
    state_.searchMode = searchMode;
}

void ModeSwitch::toggleAndRelaunch()
{
    if (state_.searchMode == 0) {
        view_.setToolTip(ControlId::ModeSwitch, "New");
        store(1);
    } else {
        view_.setToolTip(ControlId::ModeSwitch, "Stare");
        store(0);
    }
    if (!launcher_)
        return;
    // This instance ends whether or not the new one could be started.
    launcher_->startWithoutArguments();
    launcher_->exitNormally(0);
}

void ModeSwitch::setAndRestart(int selectedIndex)
{
    if (selectedIndex == 0 || selectedIndex == 1)
        store(selectedIndex);
    state_.restartPending = true;
    restartSelf();
}

void ModeSwitch::oldModeAndRestart()
{
    store(0);
    state_.restartPending = true;
    restartSelf();
}

void ModeSwitch::restartSelf()
{
    if (!launcher_)
        return;
    if (launcher_->startWithSameArguments())
        view_.postCloseRequest();
    else
        launcher_->exitImmediately(-1);
}

} // namespace lorvena
