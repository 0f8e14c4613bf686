#pragma once

// The pictures compiled into the program: the window background, the two
// busy-dialog pictures and the application icon.

#include <QImage>

namespace lorvena::artwork {

// 1047 x 579 logical pixels, opaque (RGB888). At scale 2 the same drawing
// has twice the pixels each way (device pixel ratio 2).
QImage renderBackground(int scale = 1);

enum class BusyKind { Search, Change };
// 285 x 128 logical pixels, opaque (RGB888); scale as for the background.
QImage renderBusyPicture(BusyKind kind, int scale = 1);

// size x size with alpha; transparent outside its rounded square.
QImage renderAppIcon(int size);

// Sizes of the icon drawn for the desktop's icon theme besides 48 and 256
// (artwork folder "icons/SIZE/lorvena.png").
inline constexpr int kThemeIconSizes[] = {16, 24, 32, 64, 128};

}  // namespace lorvena::artwork
