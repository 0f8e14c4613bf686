#pragma once

#include <QFont>
#include <QStringList>

namespace lorvena {

// The font the window and its upgrade panel set on their text controls:
// "microsoft yahei", height 18, weight 400. That height is the whole cell,
// ascent and descent; a 13-pixel em gives that cell in the face and about
// the same look in the installed face taken when it is missing.
inline QFont windowTextFont()
{
    QFont font;
    font.setFamilies({QStringLiteral("microsoft yahei"), QStringLiteral("DejaVu Sans")});
    font.setPixelSize(13);
    font.setWeight(QFont::Normal);
    return font;
}

} // namespace lorvena
