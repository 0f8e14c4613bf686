#pragma once

#include "control/MainView.h"

namespace lorvena {

// Sets the main window's controls up for the protocol generation: captions,
// which form fields and tabs exist, the tab look, the switch button's tooltip.
void setUpControls(MainView& view, int searchMode);

// The form controls the Modify tab shows and the Upgrade tab hides.
void showModifyForm(MainView& view, bool visible);

} // namespace lorvena
