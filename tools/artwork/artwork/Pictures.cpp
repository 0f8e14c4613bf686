#include "artwork/Pictures.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPen>
#include <QRadialGradient>
#include <array>
#include <cmath>
#include <numbers>

#include "artwork/Geometry.h"
#include "artwork/Painting.h"

namespace lorvena::artwork {

namespace {

// width x height logical pixels, scale x scale device pixels each.
QImage opaqueCanvas(int width, int height, QRgb fill, int scale) {
  QImage image(width * scale, height * scale, QImage::Format_RGB32);
  image.setDevicePixelRatio(scale);
  image.fill(fill);
  return image;
}

// A thin frame along the inside of the picture's edge.
void drawEdgeFrame(QPainter& painter, const QSize& size, int thickness, const QColor& color) {
  const int w = size.width();
  const int h = size.height();
  painter.fillRect(0, 0, w, thickness, color);
  painter.fillRect(0, h - thickness, w, thickness, color);
  painter.fillRect(0, 0, thickness, h, color);
  painter.fillRect(w - thickness, 0, thickness, h, color);
}

// A red disc with a subtle top light, for badges.
void drawRedDisc(QPainter& painter, QPointF center, qreal radius) {
  QLinearGradient fill(center - QPointF(0, radius), center + QPointF(0, radius));
  fill.setColorAt(0, QColor(palette::kRedBright));
  fill.setColorAt(1, QColor(palette::kRedDark));
  painter.setPen(Qt::NoPen);
  painter.setBrush(fill);
  painter.drawEllipse(center, radius, radius);
}

void drawText(QPainter& painter, QPointF baselineOrigin, const QString& text, const QFont& font,
              const QColor& color) {
  painter.setFont(font);
  painter.setPen(color);
  painter.drawText(baselineOrigin, text);
}

// --- Window background ----------------------------------------------------

constexpr int kFrameThickness = 2;
constexpr int kRuleTop = kTitleBandHeight - 3;  // the band's red rule, 3 px

void drawTitleBand(QPainter& painter) {
  const int w = kWindowSize.width;
  QLinearGradient band(QPointF(0, 0), QPointF(0, kRuleTop));
  band.setColorAt(0, QColor(255, 255, 255));
  band.setColorAt(1, QColor(236, 236, 236));
  painter.fillRect(QRect(0, 0, w, kRuleTop), band);

  QLinearGradient rule(QPointF(0, 0), QPointF(w, 0));
  rule.setColorAt(0, QColor(palette::kRedDark));
  rule.setColorAt(0.5, QColor(palette::kRed));
  rule.setColorAt(1, QColor(palette::kRedDark));
  painter.fillRect(QRect(0, kRuleTop, w, 3), rule);

  // A soft shadow under the rule, inside the field.
  QLinearGradient shadow(QPointF(0, kTitleBandHeight), QPointF(0, kTitleBandHeight + 5));
  shadow.setColorAt(0, QColor(0, 0, 0, 22));
  shadow.setColorAt(1, QColor(0, 0, 0, 0));
  painter.fillRect(QRect(0, kTitleBandHeight, w, 5), shadow);
}

// Magnifier badge, product title and tag line. Returns the right edge.
qreal drawTitleBlock(QPainter& painter) {
  const QPointF badge(44, 38);
  drawRedDisc(painter, badge, 25);
  drawMagnifier(painter, badge + QPointF(-4, -4), 11, 3.6, Qt::white);

  const QFont title = uiFont(31, true);
  const QString name = QStringLiteral("Lorvena");
  drawText(painter, QPointF(84, 44), name, title, QColor(palette::kText));
  const QFont tagFont = uiFont(11, false);
  const QString tag = QStringLiteral("Narzędzie instalatora sieciowych systemów wizyjnych");
  drawText(painter, QPointF(85, 62), tag, tagFont, QColor(palette::kTextMuted));
  return 85 + std::max(QFontMetricsF(title).horizontalAdvance(name),
                       QFontMetricsF(tagFont).horizontalAdvance(tag));
}

// The three functions of the program, one per line, each with an icon.
void drawFunctionCaptions(QPainter& painter, qreal left) {
  const std::array<QString, 3> captions{
      QStringLiteral("Wyszukiwanie kamer i rejestratorów w sieci lokalnej"),
      QStringLiteral("Zmiana adresu IP i parametrów sieci"),
      QStringLiteral("Aktualizacja oprogramowania urządzeń"),
  };
  const QFont font = uiFont(12, false);
  const QColor red(palette::kRed);
  for (int i = 0; i < 3; ++i) {
    const qreal centerY = 17 + 21 * i;
    const QRectF icon(left, centerY - 6, 12, 12);
    switch (i) {
      case 0:
        drawMagnifier(painter, QPointF(icon.left() + 4.5, icon.top() + 4.5), 4.5, 1.6, red);
        break;
      case 1:
        drawNetworkNodes(painter, icon, 1.3, red);
        break;
      default:
        drawUploadArrow(painter, icon.adjusted(2, 0, -2, 0), 1.6, red);
        break;
    }
    drawText(painter, QPointF(left + 22, std::round(centerY + 4.5)), captions[i], font,
             QColor(palette::kText));
  }
}

}  // namespace

QImage renderBackground(int scale) {
  QImage image = opaqueCanvas(kWindowSize.width, kWindowSize.height, palette::kField, scale);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setRenderHint(QPainter::TextAntialiasing);

  drawTitleBand(painter);
  const qreal titleRight = drawTitleBlock(painter);
  const qreal divider = std::round(titleRight + 26) + 0.5;
  painter.setPen(QPen(QColor(208, 208, 208), 1));
  painter.drawLine(QPointF(divider, 14), QPointF(divider, 62));
  drawFunctionCaptions(painter, divider + 26);

  // The mark sits left of the window buttons, clear of them.
  const qreal markSize = 46;
  const qreal markRight = kSwitchButton.x - 24;
  drawLogoMark(painter, QRectF(markRight - markSize, 38 - markSize / 2, markSize, markSize));

  // A quiet rule between the device list and the row below it (the form's
  // apply button reaches lower, so the rule stops at the list's width).
  const int ruleY = kDeviceList.y + kDeviceList.height + 5;
  painter.fillRect(QRect(kDeviceList.x, ruleY, kDeviceList.width, 1), QColor(palette::kRule));

  drawEdgeFrame(painter, QSize(kWindowSize.width, kWindowSize.height), kFrameThickness,
                QColor(palette::kRed));
  painter.end();
  return image.convertToFormat(QImage::Format_RGB888);
}

QImage renderBusyPicture(BusyKind kind, int scale) {
  QImage image = opaqueCanvas(kBusySize.width, kBusySize.height, qRgb(255, 255, 255), scale);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setRenderHint(QPainter::TextAntialiasing);
  const QColor red(palette::kRed);

  // Icon badge at the top left.
  const QPointF badge(40, 40);
  drawRedDisc(painter, badge, 20);
  if (kind == BusyKind::Search) {
    drawMagnifier(painter, badge + QPointF(-3, -3), 8.5, 2.8, Qt::white);
  } else {
    drawSwapArrows(painter, QRectF(badge.x() - 9, badge.y() - 7.5, 18, 15), 2.2, Qt::white);
  }

  const QString first = kind == BusyKind::Search ? QStringLiteral("Wyszukiwanie,")
                                                 : QStringLiteral("Wprowadzanie zmian,");
  const QString second = QStringLiteral("proszę czekać...");
  const qreal textLeft = 72;
  const int firstSize = fittingPixelSize(first, true, 17, 12, kBusySize.width - textLeft - 14);
  drawText(painter, QPointF(textLeft, 38), first, uiFont(firstSize, true), red);
  drawText(painter, QPointF(textLeft, 59), second, uiFont(14, false), red);

  // A still ring of dots at the lower right, clear of the Cancel button.
  const QPointF spin(kBusySize.width - 38, kBusyCancel.y + kBusyCancel.height / 2.0);
  constexpr int kDots = 10;
  for (int i = 0; i < kDots; ++i) {
    const qreal angle = -std::numbers::pi / 2 + 2 * std::numbers::pi * i / kDots;
    QColor dot = red;
    // Brightest just left of the top, fading backwards: turning clockwise.
    dot.setAlpha(40 + 215 * (i + 1) / kDots);
    painter.setPen(Qt::NoPen);
    painter.setBrush(dot);
    painter.drawEllipse(spin + QPointF(std::cos(angle), std::sin(angle)) * 12, 2.6, 2.6);
  }

  drawEdgeFrame(painter, QSize(kBusySize.width, kBusySize.height), 2, red);
  painter.end();
  return image.convertToFormat(QImage::Format_RGB888);
}

QImage renderAppIcon(int size) {
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  // Drawn on a 256 grid; small sizes get thicker strokes to stay legible.
  const qreal scale = size / 256.0;
  const qreal boost = size < 96 ? 1.35 : 1.0;
  painter.scale(scale, scale);

  // Red rounded square.
  const QRectF tile(8, 8, 240, 240);
  QLinearGradient fill(tile.topLeft(), tile.bottomLeft());
  fill.setColorAt(0, QColor(232, 44, 68));
  fill.setColorAt(1, QColor(158, 10, 34));
  painter.setPen(Qt::NoPen);
  painter.setBrush(fill);
  painter.drawRoundedRect(tile, 52, 52);
  // A soft light on the upper half.
  QRadialGradient glow(QPointF(96, 40), 200);
  glow.setColorAt(0, QColor(255, 255, 255, 60));
  glow.setColorAt(1, QColor(255, 255, 255, 0));
  painter.setBrush(glow);
  painter.drawRoundedRect(tile, 52, 52);

  // The network: three nodes, two of them linked to the magnifier's rim.
  const QColor white(Qt::white);
  const QColor faint(255, 255, 255, 150);
  const QPointF lens(108, 108);
  const qreal radius = 62;
  const std::array<QPointF, 3> nodes{QPointF(56, 200), QPointF(200, 54), QPointF(208, 150)};
  const auto rimToward = [&](QPointF node) {
    const QPointF d = node - lens;
    return lens + d * (radius / std::hypot(d.x(), d.y()));
  };
  QPen link(faint, 7 * boost);
  link.setCapStyle(Qt::RoundCap);
  painter.setPen(link);
  painter.drawLine(nodes[0], rimToward(nodes[0]));
  painter.drawLine(nodes[1], rimToward(nodes[1]));
  painter.drawLine(nodes[1], nodes[2]);
  painter.setPen(Qt::NoPen);
  painter.setBrush(white);
  for (const QPointF& node : nodes) painter.drawEllipse(node, 15 * boost, 15 * boost);
  painter.setBrush(QColor(palette::kRed));
  for (const QPointF& node : nodes) painter.drawEllipse(node, 6 * boost, 6 * boost);

  // The magnifier: glass, ring and handle.
  painter.setBrush(QColor(120, 0, 20, 120));
  painter.drawEllipse(lens, radius, radius);
  // Its handle, with a dark edge so it stands off the red.
  const QPointF handleStart = lens + QPointF(1, 1) * (radius * 0.72);
  const QPointF handleEnd(214, 214);
  QPen handleEdge(QColor(110, 0, 18, 160), 34 + 4 * boost);
  handleEdge.setCapStyle(Qt::RoundCap);
  painter.setPen(handleEdge);
  painter.drawLine(handleStart, handleEnd);
  QPen handle(white, 30);
  handle.setCapStyle(Qt::RoundCap);
  painter.setPen(handle);
  painter.drawLine(handleStart, handleEnd);
  painter.setPen(QPen(white, 15 * boost));
  painter.setBrush(Qt::NoBrush);
  painter.drawEllipse(lens, radius - 7, radius - 7);

  // Inside the glass: a camera lens (iris rings and a highlight).
  painter.setPen(QPen(white, 7 * boost));
  painter.drawEllipse(lens, 28, 28);
  painter.setPen(Qt::NoPen);
  painter.setBrush(white);
  painter.drawEllipse(lens, 13, 13);
  painter.setBrush(QColor(255, 255, 255, 200));
  painter.drawEllipse(lens + QPointF(-26, -30), 6 * boost, 6 * boost);
  painter.end();
  return image.convertToFormat(QImage::Format_ARGB32);
}

}  // namespace lorvena::artwork
