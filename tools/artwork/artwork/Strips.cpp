#include "artwork/Strips.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPen>
#include <array>
#include <cmath>

#include "artwork/Painting.h"

namespace lorvena::artwork {

namespace {

constexpr std::array<SkinButton, 11> kStrips{{
    {"search.png",
     1001,
     {kSearchButton.width, kSearchButton.height},
     ButtonStyle::Primary,
     u"Wyszukaj",
     Glyph::Magnifier,
     14},
    {"modify.png",
     1004,
     {kApplyButton.width, kApplyButton.height},
     ButtonStyle::Primary,
     u"Zmiana IP",
     Glyph::None,
     16},
    {"close.png",
     1011,
     {kCloseButton.width, kCloseButton.height},
     ButtonStyle::WindowControl,
     u"",
     Glyph::Close,
     0},
    {"minimize.png",
     1017,
     {kMinimizeButton.width, kMinimizeButton.height},
     ButtonStyle::WindowControl,
     u"",
     Glyph::Minimize,
     0},
    {"Tip.png",
     1002,
     {kModifyTab.width, kModifyTab.height},
     ButtonStyle::Tab,
     u"Konfiguracja",
     Glyph::None,
     12},
    {"Tip1.png",
     1003,
     {kUpgradeTab.width, kUpgradeTab.height},
     ButtonStyle::Tab,
     u"Aktualizacja",
     Glyph::None,
     12},
    {"new_old.png",
     1039,
     {kSwitchButton.width, kSwitchButton.height},
     ButtonStyle::WindowControl,
     u"",
     Glyph::Swap,
     0},
    {"modify_old.png",
     1030,
     {kOldModifyTab.width, kOldModifyTab.height},
     ButtonStyle::Tab,
     u"Konfiguracja",
     Glyph::None,
     12},
    {"Cancel.png",
     1048,
     {kBusyCancel.width, kBusyCancel.height},
     ButtonStyle::Outline,
     u"Anuluj",
     Glyph::None,
     12},
    {"Upgrade.png", 1036, kPanelUpgradeButton, ButtonStyle::Primary, u"Aktualizuj", Glyph::Upload,
     16},
    {"Browse.png", 1033, kPanelBrowseButton, ButtonStyle::Outline, u"Przeglądaj...", Glyph::None,
     12},
}};

enum Frame { kNormal = 0, kHover = 1, kPressed = 2, kDisabled = 3 };

// The colours of one frame.
struct Look {
  QColor top;
  QColor bottom;
  QColor border;
  QColor ink;          // caption and glyph
  bool inset;          // pressed: content one pixel lower, shadow inside the top edge
  int highlightAlpha;  // white line just inside the top edge
  bool textShadow;     // dark shadow under a light caption
};

Look primaryLook(int frame) {
  switch (frame) {
    case kHover:
      return {QColor(238, 70, 90),
              QColor(206, 30, 56),
              QColor(156, 12, 34),
              Qt::white,
              false,
              95,
              true};
    case kPressed:
      return {QColor(152, 10, 30),
              QColor(186, 20, 44),
              QColor(112, 6, 22),
              QColor(255, 236, 239),
              true,
              0,
              true};
    case kDisabled:
      return {QColor(230, 230, 230),
              QColor(214, 214, 214),
              QColor(192, 192, 192),
              QColor(160, 160, 160),
              false,
              140,
              false};
    default:
      return {
          QColor(222, 40, 62), QColor(180, 14, 40), QColor(138, 8, 28), Qt::white, false, 70, true};
  }
}

Look outlineLook(int frame) {
  switch (frame) {
    case kHover:
      return {QColor(255, 245, 246),
              QColor(251, 226, 230),
              QColor(220, 34, 60),
              QColor(200, 16, 46),
              false,
              0,
              false};
    case kPressed:
      return {QColor(242, 206, 212),
              QColor(250, 228, 231),
              QColor(150, 10, 32),
              QColor(150, 10, 32),
              true,
              0,
              false};
    case kDisabled:
      return {QColor(247, 247, 247),
              QColor(238, 238, 238),
              QColor(206, 206, 206),
              QColor(172, 172, 172),
              false,
              0,
              false};
    default:
      return {QColor(255, 255, 255),
              QColor(240, 240, 240),
              QColor(200, 16, 46),
              QColor(186, 14, 40),
              false,
              0,
              false};
  }
}

Look tabLook(int frame) {
  switch (frame) {
    case kNormal:
      return {QColor(255, 255, 255),
              QColor(234, 234, 234),
              QColor(200, 200, 200),
              QColor(85, 85, 85),
              false,
              0,
              false};
    case kHover:
      return {QColor(255, 246, 247),
              QColor(250, 226, 230),
              QColor(220, 34, 60),
              QColor(200, 16, 46),
              false,
              0,
              false};
    case kPressed:
      // The active tab: the primary red, not inset, so it reads as "on top".
      return primaryLook(kNormal);
    default:
      return outlineLook(kDisabled);
  }
}

Look windowControlLook(int frame) {
  switch (frame) {
    case kHover:
    case kPressed:
      return primaryLook(frame);
    default:
      return outlineLook(frame);
  }
}

Look lookFor(ButtonStyle style, int frame) {
  switch (style) {
    case ButtonStyle::Primary:
      return primaryLook(frame);
    case ButtonStyle::Outline:
      return outlineLook(frame);
    case ButtonStyle::Tab:
      return tabLook(frame);
    case ButtonStyle::WindowControl:
      return windowControlLook(frame);
  }
  return primaryLook(frame);
}

qreal cornerRadius(const SkinButton& button) {
  // At least 4 so that each corner pixel lies wholly outside the arc.
  if (button.style == ButtonStyle::Tab) return 6;
  if (button.frame.height >= 40) return 7;
  if (button.frame.width < 40) return 4;
  return 5;
}

QPen roundPen(const QColor& color, qreal width) {
  QPen pen(color, width);
  pen.setCapStyle(Qt::RoundCap);
  return pen;
}

// Width of the glyph drawn before a caption (0 for none).
qreal glyphWidth(Glyph glyph, qreal height) {
  switch (glyph) {
    case Glyph::Magnifier:
      return height * 0.5;
    case Glyph::Upload:
      return height * 0.3;
    default:
      return 0;
  }
}

// Draws a glyph whose box starts at left and is centred on centerY.
void drawLeadingGlyph(QPainter& painter, Glyph glyph, qreal left, qreal centerY, qreal height,
                      const QColor& ink) {
  if (glyph == Glyph::Magnifier) {
    // The ring spans 2r, the handle reaches 1.31r beyond the centre.
    const qreal r = height * 0.2;
    drawMagnifier(painter, QPointF(left + r, centerY - 0.16 * r), r, 1.8, ink);
  } else if (glyph == Glyph::Upload) {
    const qreal w = glyphWidth(glyph, height);
    const qreal h = height * 0.42;
    drawUploadArrow(painter, QRectF(left, centerY - h / 2, w, h), 2.0, ink);
  }
}

// A glyph that is the whole content of a small square button.
void drawCentredGlyph(QPainter& painter, Glyph glyph, QPointF c, const QColor& ink) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  switch (glyph) {
    case Glyph::Close: {
      const qreal d = 4.3;
      painter.setPen(roundPen(ink, 1.9));
      painter.drawLine(c + QPointF(-d, -d), c + QPointF(d, d));
      painter.drawLine(c + QPointF(-d, d), c + QPointF(d, -d));
      break;
    }
    case Glyph::Minimize: {
      // A 2 px stroke centred on a row boundary covers two whole rows.
      const qreal y = std::round(c.y());
      painter.setPen(roundPen(ink, 2.0));
      painter.drawLine(QPointF(c.x() - 5, y), QPointF(c.x() + 5, y));
      break;
    }
    case Glyph::Swap:
      // Box height 12 from a whole row: both shafts fall on whole rows.
      drawSwapArrows(painter, QRectF(c.x() - 6.5, std::round(c.y()) - 6, 13, 12), 2.0, ink);
      break;
    default:
      break;
  }
  painter.restore();
}

void drawCaption(QPainter& painter, const SkinButton& button, const QRectF& area,
                 const Look& look) {
  const QString caption = QString::fromUtf16(button.caption);
  const qreal height = area.height();
  if (caption.isEmpty()) {
    drawCentredGlyph(painter, button.glyph, area.center(), look.ink);
    return;
  }
  const qreal glyph = glyphWidth(button.glyph, height);
  const qreal gap = glyph > 0 ? std::round(height * 0.22) : 0;
  const qreal padding = std::max<qreal>(6, std::round(height * 0.3));
  const int pixelSize = fittingPixelSize(caption, true, button.fontPixelSize, 9,
                                         area.width() - 2 * padding - glyph - gap);
  const QFont font = uiFont(pixelSize, true);
  const QFontMetricsF metrics(font);
  const qreal textWidth = metrics.horizontalAdvance(caption);
  const qreal left = std::round(area.left() + (area.width() - (glyph + gap + textWidth)) / 2);
  const qreal centerY = area.top() + height / 2;
  // Centre the capital height rather than ascent and descent, so captions
  // with or without descenders sit at the same visual height.
  const qreal baseline = std::round(centerY + metrics.capHeight() / 2);

  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setRenderHint(QPainter::TextAntialiasing);
  if (glyph > 0) {
    if (look.textShadow) {
      painter.save();
      painter.translate(0, 1);
      drawLeadingGlyph(painter, button.glyph, left, centerY, height, QColor(60, 0, 10, 70));
      painter.restore();
    }
    drawLeadingGlyph(painter, button.glyph, left, centerY, height, look.ink);
  }
  painter.setFont(font);
  const QPointF origin(left + glyph + gap, baseline);
  if (look.textShadow) {
    painter.setPen(QColor(60, 0, 10, 90));
    painter.drawText(origin + QPointF(0, 1), caption);
  }
  painter.setPen(look.ink);
  painter.drawText(origin, caption);
  painter.restore();
}

void drawFrame(QPainter& painter, const SkinButton& button, int frame) {
  const Look look = lookFor(button.style, frame);
  const qreal w = button.frame.width;
  const qreal h = button.frame.height;
  const qreal radius = cornerRadius(button);
  const bool tab = button.style == ButtonStyle::Tab;
  const QRectF outer(0, 0, w, h);
  const QPainterPath outerPath = tab ? tabPath(outer, radius) : roundedRectPath(outer, radius);
  const QPainterPath innerPath = tab ? tabPath(outer.adjusted(1, 1, -1, 0), radius - 1)
                                     : roundedRectPath(outer.adjusted(1, 1, -1, -1), radius - 1);

  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  painter.fillPath(outerPath, look.border);
  QLinearGradient body(QPointF(0, 1), QPointF(0, h - 1));
  body.setColorAt(0, look.top);
  body.setColorAt(1, look.bottom);
  painter.fillPath(innerPath, body);

  painter.setClipPath(innerPath);
  if (look.highlightAlpha > 0) {
    painter.fillRect(QRectF(0, 1, w, 1), QColor(255, 255, 255, look.highlightAlpha));
  }
  if (look.inset) {
    QLinearGradient shade(QPointF(0, 1), QPointF(0, 5));
    shade.setColorAt(0, QColor(0, 0, 0, 60));
    shade.setColorAt(1, QColor(0, 0, 0, 0));
    painter.fillRect(QRectF(0, 1, w, 4), shade);
  }
  painter.setClipping(false);

  if (tab && frame != kPressed) {
    // Inactive tabs stand on a red rule; the active tab is red down to it.
    const QColor rule = frame == kDisabled ? QColor(206, 206, 206) : QColor(palette::kRed);
    painter.fillRect(QRectF(0, h - 2, w, 2), rule);
  }

  const qreal offset = look.inset ? 1 : 0;
  const QRectF content(0, offset - (tab ? 1 : 0), w, h);
  drawCaption(painter, button, content, look);
  painter.restore();
}

}  // namespace

std::span<const SkinButton> skinButtons() { return kStrips; }

QImage renderStrip(const SkinButton& button, int scale) {
  const int w = button.frame.width;
  const int h = button.frame.height;
  // Drawn in the button's own (logical) pixels; the ratio puts scale x
  // scale device pixels under each.
  QImage strip(w * kFrameCount * scale, h * scale, QImage::Format_ARGB32_Premultiplied);
  strip.setDevicePixelRatio(scale);
  strip.fill(Qt::transparent);
  QPainter painter(&strip);
  for (int frame = 0; frame < kFrameCount; ++frame) {
    painter.save();
    painter.translate(frame * w, 0);
    painter.setClipRect(QRect(0, 0, w, h));
    drawFrame(painter, button, frame);
    painter.restore();
  }
  painter.end();
  return strip.convertToFormat(QImage::Format_ARGB32);
}

}  // namespace lorvena::artwork
