#pragma once

namespace lorvena::artwork {

// Call before constructing the QGuiApplication: selects the offscreen
// platform, so drawing never needs a display, and drops Qt's notice that no
// runtime folder is set (nothing here uses one) to keep build logs quiet.
void prepareOffscreenApplication();

}  // namespace lorvena::artwork
