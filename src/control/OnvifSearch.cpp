#include "control/OnvifSearch.h"

#include "control/BusyDialog.h"
#include "control/OnvifRoutines.h"

#include <thread>

namespace lorvena {

OnvifSearch::OnvifSearch(MainView& view, WindowState& state, MessagePoster& poster, OnvifLibrary& library,
    std::chrono::milliseconds pause)
    : view_(view), state_(state), poster_(poster), library_(library), pause_(pause)
{
}

void OnvifSearch::runAndWait()
{
    // The window's thread sleeps on purpose: the UDP replies queue up
    // meanwhile and are listed before the first ONVIF device, so a device
    // that answers both ways keeps the row of its richer UDP reply.
    std::this_thread::sleep_for(pause_);
    const std::int32_t multi = view_.isChecked(ControlId::OnvifMaskCheck) ? 1 : 0;
    handle_ = library_.startSearchDevice(multi, &OnvifSearchCallback, &poster_);
    // Ended by Cancel or by the end of the discovery, which closes it
    // with the last busy result. A failed start leaves only Cancel.
    int result = showBusyDialog(view_, state_, MainView::BusyPicture::Searching);
    if (result == MainView::busyCancelled && handle_ != 0) {
        library_.stopSearchDevice(handle_);
        handle_ = 0;
    }
}

} // namespace lorvena
