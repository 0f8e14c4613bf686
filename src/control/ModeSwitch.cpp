#include "control/ModeSwitch.h"

namespace lorvena {

ModeSwitch::ModeSwitch(MainView& view, WindowState& state, const SettingsFile* settings, ProcessLauncher* launcher)
    : view_(view), state_(state), settings_(settings), launcher_(launcher)
{
}

bool ModeSwitch::store(int searchMode)
{
    if (settings_ && !settings_->writeSearchMode(searchMode)) {
        view_.showMessage(std::string(settingsNotSaved) + settings_->writePath().string());
        return false;
    }
    state_.searchMode = searchMode;
    return true;
}

void ModeSwitch::toggleAndRelaunch()
{
    const int other = state_.searchMode == 0 ? 1 : 0;
    if (!store(other))
        return;
    view_.setToolTip(ControlId::ModeSwitch, other == 1 ? "New" : "Stare");
    if (!launcher_)
        return;
    // This instance ends whether or not the new one could be started.
    launcher_->startWithoutArguments();
    launcher_->exitNormally(0);
}

void ModeSwitch::setAndRestart(int selectedIndex)
{
    if ((selectedIndex == 0 || selectedIndex == 1) && !store(selectedIndex))
        return;
    state_.restartPending = true;
    restartSelf();
}

void ModeSwitch::oldModeAndRestart()
{
    if (!store(0))
        return;
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
