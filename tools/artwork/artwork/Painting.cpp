#include "artwork/Painting.h"

#include <QFontInfo>
#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPen>
#include <QPolygonF>
#include <cmath>

namespace lorvena::artwork {

bool fontFamilyAvailable() {
  const QFontInfo info(uiFont(12, false));
  return info.family() == QLatin1String(kFontFamily);
}

QFont uiFont(int pixelSize, bool bold) {
  QFont font(QString::fromLatin1(kFontFamily));
  font.setPixelSize(pixelSize);
  font.setWeight(bold ? QFont::Bold : QFont::Normal);
  font.setStyleStrategy(QFont::PreferAntialias);
  font.setKerning(true);
  return font;
}

int fittingPixelSize(const QString& text, bool bold, int preferred, int minimum, qreal width) {
  for (int size = preferred; size > minimum; --size) {
    if (QFontMetricsF(uiFont(size, bold)).horizontalAdvance(text) <= width) return size;
  }
  return minimum;
}

QPainterPath roundedRectPath(const QRectF& rect, qreal radius) {
  QPainterPath path;
  path.addRoundedRect(rect, radius, radius);
  return path;
}

QPainterPath tabPath(const QRectF& rect, qreal radius) {
  const qreal d = 2 * radius;
  QPainterPath path;
  path.moveTo(rect.left(), rect.bottom());
  path.lineTo(rect.left(), rect.top() + radius);
  path.arcTo(QRectF(rect.left(), rect.top(), d, d), 180, -90);
  path.lineTo(rect.right() - radius, rect.top());
  path.arcTo(QRectF(rect.right() - d, rect.top(), d, d), 90, -90);
  path.lineTo(rect.right(), rect.bottom());
  path.closeSubpath();
  return path;
}

namespace {

QPen roundPen(const QColor& color, qreal width) {
  QPen pen(color, width);
  pen.setCapStyle(Qt::RoundCap);
  pen.setJoinStyle(Qt::RoundJoin);
  return pen;
}

// A filled arrow head with its tip at tip, pointing along direction (unit).
void drawArrowHead(QPainter& painter, QPointF tip, QPointF direction, qreal size,
                   const QColor& color) {
  const QPointF normal(-direction.y(), direction.x());
  const QPointF base = tip - direction * size;
  const QPolygonF head{tip, base + normal * (size * 0.62), base - normal * (size * 0.62)};
  painter.save();
  painter.setPen(roundPen(color, 1.0));
  painter.setBrush(color);
  painter.drawPolygon(head);
  painter.restore();
}

}  // namespace

void drawMagnifier(QPainter& painter, QPointF lensCenter, qreal lensRadius, qreal stroke,
                   const QColor& color) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setBrush(Qt::NoBrush);
  painter.setPen(roundPen(color, stroke));
  const qreal ring = lensRadius - stroke / 2;
  painter.drawEllipse(lensCenter, ring, ring);
  const qreal diagonal = std::sqrt(0.5);
  const QPointF start = lensCenter + QPointF(diagonal, diagonal) * (lensRadius - stroke * 0.2);
  const QPointF end = lensCenter + QPointF(diagonal, diagonal) * (lensRadius * 1.85);
  painter.setPen(roundPen(color, stroke * 1.45));
  painter.drawLine(start, end);
  painter.restore();
}

void drawSwapArrows(QPainter& painter, const QRectF& box, qreal stroke, const QColor& color) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  const qreal head = box.height() * 0.36;
  const qreal upper = box.top() + box.height() * 0.25;
  const qreal lower = box.bottom() - box.height() * 0.25;
  painter.setPen(roundPen(color, stroke));
  painter.drawLine(QPointF(box.left(), upper), QPointF(box.right() - head * 0.6, upper));
  painter.drawLine(QPointF(box.left() + head * 0.6, lower), QPointF(box.right(), lower));
  drawArrowHead(painter, QPointF(box.right(), upper), QPointF(1, 0), head, color);
  drawArrowHead(painter, QPointF(box.left(), lower), QPointF(-1, 0), head, color);
  painter.restore();
}

void drawUploadArrow(QPainter& painter, const QRectF& box, qreal stroke, const QColor& color) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  const qreal cx = box.center().x();
  const qreal head = box.width() * 0.62;
  painter.setPen(roundPen(color, stroke));
  painter.drawLine(QPointF(cx, box.top() + head * 0.6), QPointF(cx, box.bottom() - stroke * 2.2));
  painter.drawLine(QPointF(box.left(), box.bottom()), QPointF(box.right(), box.bottom()));
  drawArrowHead(painter, QPointF(cx, box.top()), QPointF(0, -1), head, color);
  painter.restore();
}

void drawNetworkNodes(QPainter& painter, const QRectF& box, qreal stroke, const QColor& color) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  const QPointF a(box.left() + box.width() * 0.16, box.top() + box.height() * 0.78);
  const QPointF b(box.left() + box.width() * 0.5, box.top() + box.height() * 0.2);
  const QPointF c(box.left() + box.width() * 0.84, box.top() + box.height() * 0.78);
  painter.setPen(roundPen(color, stroke));
  painter.drawLine(a, b);
  painter.drawLine(b, c);
  painter.drawLine(a, c);
  painter.setPen(Qt::NoPen);
  painter.setBrush(color);
  const qreal r = box.width() * 0.16;
  for (const QPointF& p : {a, b, c}) painter.drawEllipse(p, r, r);
  painter.restore();
}

void drawLogoMark(QPainter& painter, const QRectF& box) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  const qreal size = std::min(box.width(), box.height());
  const QPointF center = box.center();
  // A rounded square turned by 45 degrees whose corners touch the box.
  const qreal side = size / std::sqrt(2.0) * 0.96;
  painter.translate(center);
  painter.rotate(45);
  QLinearGradient fill(QPointF(0, -side / 2), QPointF(0, side / 2));
  fill.setColorAt(0, QColor(palette::kRedBright));
  fill.setColorAt(1, QColor(palette::kRedDark));
  painter.setPen(Qt::NoPen);
  painter.setBrush(fill);
  painter.drawRoundedRect(QRectF(-side / 2, -side / 2, side, side), side * 0.16, side * 0.16);
  painter.rotate(-45);
  // A lens: a white ring with an open gap and a centred pupil.
  const qreal ring = size * 0.2;
  QPen pen(Qt::white, size * 0.075);
  pen.setCapStyle(Qt::RoundCap);
  painter.setPen(pen);
  painter.setBrush(Qt::NoBrush);
  painter.drawArc(QRectF(-ring, -ring, 2 * ring, 2 * ring), 70 * 16, 290 * 16);
  painter.setPen(Qt::NoPen);
  painter.setBrush(Qt::white);
  painter.drawEllipse(QPointF(0, 0), size * 0.075, size * 0.075);
  painter.drawEllipse(QPointF(ring * 0.9, -ring * 1.05), size * 0.045, size * 0.045);
  painter.restore();
}

}  // namespace lorvena::artwork
