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

// Sizes of the icon drawn for the desktop's icon theme besides 48 and 256
// (artwork folder "icons/SIZE/lorvena.png").
inline constexpr int kThemeIconSizes[] = {16, 24, 32, 64, 128};

}  // namespace lorvena::artwork
