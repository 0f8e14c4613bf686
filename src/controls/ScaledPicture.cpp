#include "controls/ScaledPicture.h"

namespace lorvena {

QString doubleSizePath(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(u'/');
    const qsizetype dot = path.lastIndexOf(u'.');
    if (dot <= slash)
        return path + QStringLiteral("@2x");
    return path.left(dot) + QStringLiteral("@2x") + path.mid(dot);
}

QImage loadScaledPicture(const QString& path, qreal devicePixelRatio)
{
    if (devicePixelRatio > 1.0) {
        QImage large(doubleSizePath(path));
        if (!large.isNull()) {
            large.setDevicePixelRatio(2.0);
            return large;
        }
    }
    QImage plain(path);
    plain.setDevicePixelRatio(1.0);
    return plain;
}

} // namespace lorvena
