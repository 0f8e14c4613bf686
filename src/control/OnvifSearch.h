#pragma once

#include "control/MainView.h"
#include "control/OnvifLibrary.h"
#include "control/WindowState.h"
#include "platform/WindowMessage.h"

#include <chrono>
#include <cstdint>

namespace lorvena {

// The ONVIF leg of a new-generation search, run after the UDP broadcasts:
// a pause on the window's thread, then the library's discovery behind the
// busy dialog until the library reports the end or the user cancels. The
// found devices reach the window as WM_ONVIF_DEVICE, during the wait and
// after it; the window lists them.
class OnvifSearch {
public:
    OnvifSearch(MainView& view, WindowState& state, MessagePoster& poster, OnvifLibrary& library,
        std::chrono::milliseconds pause);

    void runAndWait();
    // The handle of the discovery that may still run, 0 when none.
    std::int32_t handle() const { return handle_; }

private:
    MainView& view_;
    WindowState& state_;
    MessagePoster& poster_;
    OnvifLibrary& library_;
    std::chrono::milliseconds pause_;
    std::int32_t handle_ = 0;
};

} // namespace lorvena
