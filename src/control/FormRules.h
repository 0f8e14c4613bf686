#pragma once

#include "control/MainView.h"
#include "control/WindowState.h"

namespace lorvena {

// The DHCP checkbox was clicked: a device on DHCP takes its addresses from
// the server, so the address fields are greyed while it is ticked.
void applyDhcpRule(MainView& view, WindowState& state);

// The HTTP port edit changed: recorders of types 500 to 699 serve RTSP on
// their HTTP port, so for them the RTSP port follows what is typed.
void applyHttpPortRule(MainView& view, WindowState& state);

} // namespace lorvena
