#pragma once

#include "control/MainView.h"
#include "control/WindowState.h"

namespace lorvena {

// Shows the modal busy dialog and keeps what the window remembers of it:
// whether one is up (the end of an ONVIF search ends it) and the result of
// the last one (the result that end gives it).
inline int showBusyDialog(MainView& view, WindowState& state, MainView::BusyPicture picture)
{
    state.busyDialogShown = true;
    state.busySearching = picture == MainView::BusyPicture::Searching;
    int result = view.runBusyDialog(picture);
    state.busyDialogShown = false;
    state.busySearching = false;
    state.busyResult = result;
    return result;
}

} // namespace lorvena
