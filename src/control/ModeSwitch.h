#pragma once

#include "control/MainView.h"
#include "control/ProcessLauncher.h"
#include "control/SettingsFile.h"
#include "control/WindowState.h"

#include <string_view>

namespace lorvena {

// The three ways of changing the protocol generation. Each stores the new
// mode in Account.ini and replaces this process with a fresh instance,
// because the generation decides the window's whole set-up.
// Said when Account.ini could not be written; the file's path follows.
inline constexpr std::string_view settingsNotSaved = "Nie udało się zapisać ustawień w pliku ";

class ModeSwitch {
public:
    ModeSwitch(MainView& view, WindowState& state, const SettingsFile* settings, ProcessLauncher* launcher);

    // The switch button (1039): toggles, starts the program without
    // arguments and leaves through the normal exit path.
    void toggleAndRelaunch();
    // The hidden drop-down (1037): index 0 old, 1 new; then restarts.
    void setAndRestart(int selectedIndex);
    // The hidden "OLD" button (1040).
    void oldModeAndRestart();

private:
    // False, after telling the user, when the mode could not be saved: a
    // restart would then come back in the mode it meant to leave.
    bool store(int searchMode);
    // Starts a new instance with our own arguments (so "-Soft" carries over)
    // and closes this window; without a new instance, ends at once.
    void restartSelf();

    MainView& view_;
    WindowState& state_;
    const SettingsFile* settings_;
    ProcessLauncher* launcher_;
};

} // namespace lorvena
