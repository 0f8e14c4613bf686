#pragma once

#include <QRect>

namespace lorvena {

// The window's layout is given in dialog units. The main window is 598 x 356
// units and its background picture 1047 x 579 pixels, so one unit is that
// fraction of the picture in each direction: every control lands on the
// artwork where it was drawn for.
struct DialogUnits {
    int widthUnits;
    int heightUnits;
    int widthPixels;
    int heightPixels;

    QRect toPixels(int x, int y, int width, int height) const
    {
        auto px = [](int units, int pixels, int total) { return (units * pixels * 2 + total) / (2 * total); };
        int left = px(x, widthPixels, widthUnits);
        int top = px(y, heightPixels, heightUnits);
        int right = px(x + width, widthPixels, widthUnits);
        int bottom = px(y + height, heightPixels, heightUnits);
        return QRect(left, top, right - left, bottom - top);
    }
};

inline constexpr DialogUnits mainWindowUnits {598, 356, 1047, 579};

} // namespace lorvena
