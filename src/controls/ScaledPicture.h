#pragma once

#include <QImage>
#include <QString>

namespace lorvena {

// Every picture of the program is drawn twice, at its own size and at twice
// that ("name@2x.png" beside "name.png"). A screen that shows more than one
// device pixel per logical pixel takes the larger drawing, marked with its
// device pixel ratio so that it keeps its logical size: controls and hit
// areas stay where the layout puts them, only sharper. Without the larger
// file the plain one is used.
QImage loadScaledPicture(const QString& path, qreal devicePixelRatio);

// The name of the larger drawing of `path`: "Skin/search.png" gives
// "Skin/search@2x.png".
QString doubleSizePath(const QString& path);

} // namespace lorvena
