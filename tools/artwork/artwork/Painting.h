#pragma once

// Colours, fonts and the small shapes that several pictures share.

#include <QColor>
#include <QFont>
#include <QPainterPath>
#include <QPointF>
#include <QRectF>
#include <QString>

class QPainter;

namespace lorvena::artwork {

// The product look: a pale grey field, white surfaces, one red accent.
namespace palette {
inline constexpr QRgb kField = qRgb(248, 248, 248);
inline constexpr QRgb kRed = qRgb(200, 16, 46);
inline constexpr QRgb kRedDark = qRgb(138, 8, 28);
inline constexpr QRgb kRedBright = qRgb(226, 44, 66);
inline constexpr QRgb kText = qRgb(51, 51, 51);
inline constexpr QRgb kTextMuted = qRgb(110, 110, 110);
inline constexpr QRgb kRule = qRgb(222, 222, 222);
}  // namespace palette

// Every picture uses this one family, installed on Debian by
// fonts-dejavu-core, so the output is the same on every machine.
inline constexpr const char* kFontFamily = "DejaVu Sans";

// True when kFontFamily resolves to a real font (needs a QGuiApplication).
bool fontFamilyAvailable();

QFont uiFont(int pixelSize, bool bold);

// Largest pixel size from preferred down to minimum at which text fits in
// width; minimum when none does.
int fittingPixelSize(const QString& text, bool bold, int preferred, int minimum, qreal width);

QPainterPath roundedRectPath(const QRectF& rect, qreal radius);
// Rounded top corners, square bottom corners: the outline of a tab.
QPainterPath tabPath(const QRectF& rect, qreal radius);

// A magnifier: a ring of the given outer radius centred on lensCenter and a
// handle pointing down-right.
void drawMagnifier(QPainter& painter, QPointF lensCenter, qreal lensRadius, qreal stroke,
                   const QColor& color);
// Two opposed horizontal arrows (upper to the right, lower to the left).
void drawSwapArrows(QPainter& painter, const QRectF& box, qreal stroke, const QColor& color);
// An upward arrow standing on a short base line (firmware upload).
void drawUploadArrow(QPainter& painter, const QRectF& box, qreal stroke, const QColor& color);
// Three linked nodes (a small network).
void drawNetworkNodes(QPainter& painter, const QRectF& box, qreal stroke, const QColor& color);
// The Lorvena mark: a red diamond holding a white lens ring.
void drawLogoMark(QPainter& painter, const QRectF& box);

}  // namespace lorvena::artwork
