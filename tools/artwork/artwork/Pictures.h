#pragma once

// The pictures compiled into the program: the window background, the two
// busy-dialog pictures and the application icon.

#include <QImage>

namespace lorvena::artwork {

// 1047 x 579, opaque (RGB888).
QImage renderBackground();

enum class BusyKind { Search, Change };
// 285 x 128, opaque (RGB888).
QImage renderBusyPicture(BusyKind kind);

// size x size with alpha; transparent outside its rounded square.
QImage renderAppIcon(int size);

}  // namespace lorvena::artwork
