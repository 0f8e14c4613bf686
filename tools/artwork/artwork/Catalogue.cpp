#include "artwork/Catalogue.h"

#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <algorithm>

#include "artwork/Geometry.h"
#include "artwork/Painting.h"
#include "artwork/Pictures.h"
#include "artwork/Strips.h"

namespace lorvena::artwork {

QString doubleSizeName(const QString& path) {
  QString name = path;
  return name.insert(name.lastIndexOf(u'.'), QStringLiteral("@2x"));
}

std::vector<Artwork> renderAll() {
  std::vector<Artwork> artworks;
  for (const SkinButton& button : skinButtons()) {
    const QString name = QStringLiteral("Skin/") + QLatin1String(button.fileName);
    artworks.push_back({name, renderStrip(button)});
    artworks.push_back({doubleSizeName(name), renderStrip(button, 2)});
  }
  for (const int scale : {1, 2}) {
    const auto named = [scale](const char* name) {
      const QString path = QStringLiteral("resources/") + QLatin1String(name);
      return scale == 1 ? path : doubleSizeName(path);
    };
    artworks.push_back({named("background.png"), renderBackground(scale)});
    artworks.push_back({named("busy_search.png"), renderBusyPicture(BusyKind::Search, scale)});
    artworks.push_back({named("busy_change.png"), renderBusyPicture(BusyKind::Change, scale)});
  }
  artworks.push_back({QStringLiteral("resources/lorvena.png"), renderAppIcon(256)});
  artworks.push_back({QStringLiteral("resources/lorvena-48.png"), renderAppIcon(48)});
  // The desktop's icon theme picks the size nearest to what it draws (menus,
  // panels, the task switcher): one file per usual size, so none is blurred
  // by scaling. 48 and 256 are the two above.
  for (const int size : kThemeIconSizes) {
    artworks.push_back({QStringLiteral("icons/%1/lorvena.png").arg(size), renderAppIcon(size)});
  }
  return artworks;
}

QString writeAll(const QString& outputDir, const std::vector<Artwork>& artworks) {
  const QDir root(outputDir);
  for (const Artwork& artwork : artworks) {
    const QString path = root.filePath(artwork.relativePath);
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder)) return QStringLiteral("cannot create folder %1").arg(folder);
    if (!artwork.image.save(path, "PNG")) return QStringLiteral("cannot write %1").arg(path);
  }
  return {};
}

namespace {

constexpr int kMargin = 20;
constexpr int kSheetWidth = 1047 + 2 * kMargin;

const QImage* find(const std::vector<Artwork>& artworks, const QString& relativePath) {
  for (const Artwork& artwork : artworks) {
    if (artwork.relativePath == relativePath) return &artwork.image;
  }
  return nullptr;
}

QImage skin(const std::vector<Artwork>& artworks, const char* fileName) {
  const QImage* image = find(artworks, QStringLiteral("Skin/") + QLatin1String(fileName));
  return image ? *image : QImage();
}

QImage resource(const std::vector<Artwork>& artworks, const char* fileName) {
  const QImage* image = find(artworks, QStringLiteral("resources/") + QLatin1String(fileName));
  return image ? *image : QImage();
}

// Frame `frame` of a four-frame strip.
QImage frameOf(const QImage& strip, int frame) {
  const int width = strip.width() / kFrameCount;
  return strip.copy(frame * width, 0, width, strip.height());
}

void fillCheckerboard(QPainter& painter, const QRect& area) {
  constexpr int kCell = 8;
  painter.save();
  painter.setClipRect(area);
  for (int y = area.top(); y <= area.bottom(); y += kCell) {
    for (int x = area.left(); x <= area.right(); x += kCell) {
      const bool dark = ((x - area.left()) / kCell + (y - area.top()) / kCell) % 2 == 1;
      painter.fillRect(QRect(x, y, kCell, kCell),
                       dark ? QColor(204, 204, 204) : QColor(255, 255, 255));
    }
  }
  painter.restore();
}

class SheetWriter {
 public:
  explicit SheetWriter(QPainter& painter) : painter_(painter) {}

  void heading(const QString& text) {
    y_ += 10;
    painter_.setFont(uiFont(16, true));
    painter_.setPen(QColor(palette::kText));
    painter_.drawText(QPointF(kMargin, y_ + 16), text);
    y_ += 28;
  }

  void label(const QString& text) {
    painter_.setFont(uiFont(11, false));
    painter_.setPen(QColor(palette::kTextMuted));
    painter_.drawText(QPointF(kMargin, y_ + 11), text);
    y_ += 16;
  }

  // Draws image (scaled by an integer factor) on a checkerboard.
  void picture(const QImage& image, int zoom) {
    const QSize size = image.size() * zoom;
    const QRect area(kMargin, y_, size.width() + 8, size.height() + 8);
    fillCheckerboard(painter_, area);
    painter_.drawImage(QRect(QPoint(kMargin + 4, y_ + 4), size), image);
    y_ += area.height() + 10;
  }

  void pictureAt(const QImage& image, int x) { painter_.drawImage(QPoint(x, y_), image); }

  void advance(int pixels) { y_ += pixels; }
  int y() const { return y_; }

 private:
  QPainter& painter_;
  int y_ = 0;
};

QImage windowMockup(const std::vector<Artwork>& artworks) {
  QImage window = resource(artworks, "background.png").convertToFormat(QImage::Format_RGB32);
  QPainter painter(&window);
  const auto place = [&](const PixelRect& rect, const char* file, int frame) {
    painter.drawImage(QPoint(rect.x, rect.y), frameOf(skin(artworks, file), frame));
  };
  // The device list as the list control will cover it.
  const PixelRect list = kDeviceList;
  painter.fillRect(QRect(list.x, list.y, list.width, list.height), Qt::white);
  painter.setPen(QColor(130, 135, 144));
  painter.drawRect(QRect(list.x, list.y, list.width - 1, list.height - 1));
  place(kSearchButton, "search.png", 0);
  place(kModifyTab, "Tip.png", 2);
  place(kUpgradeTab, "Tip1.png", 1);
  place(kApplyButton, "modify.png", 0);
  place(kSwitchButton, "new_old.png", 0);
  place(kMinimizeButton, "minimize.png", 0);
  place(kCloseButton, "close.png", 1);
  painter.setFont(uiFont(12, false));
  painter.setPen(Qt::black);
  painter.drawText(QPoint(kVersionLabel.x, kVersionLabel.y + 12), QStringLiteral("Ver. 0.1.0"));
  painter.end();
  return window;
}

QImage busyMockup(const std::vector<Artwork>& artworks, const char* picture, int cancelFrame) {
  QImage dialog = resource(artworks, picture).convertToFormat(QImage::Format_RGB32);
  QPainter painter(&dialog);
  painter.drawImage(QPoint(kBusyCancel.x, kBusyCancel.y),
                    frameOf(skin(artworks, "Cancel.png"), cancelFrame));
  painter.end();
  return dialog;
}

}  // namespace

QImage renderContactSheet(const std::vector<Artwork>& artworks) {
  QImage sheet(kSheetWidth, 4000, QImage::Format_RGB32);
  sheet.fill(qRgb(236, 236, 236));
  QPainter painter(&sheet);
  painter.setRenderHint(QPainter::TextAntialiasing);
  SheetWriter writer(painter);

  writer.heading(QStringLiteral("Skin strips (frames: normal, hover, pressed/selected, disabled)"));
  for (const SkinButton& button : skinButtons()) {
    writer.label(QStringLiteral("%1  (control %2)  frame %3 x %4 px")
                     .arg(QLatin1String(button.fileName))
                     .arg(button.controlId)
                     .arg(button.frame.width)
                     .arg(button.frame.height));
    writer.picture(skin(artworks, button.fileName), 1);
  }

  writer.heading(QStringLiteral("Small strips enlarged x3"));
  for (const SkinButton& button : skinButtons()) {
    if (button.frame.width * kFrameCount * 3 > 1047) continue;
    writer.label(QLatin1String(button.fileName));
    writer.picture(skin(artworks, button.fileName), 3);
  }

  writer.heading(QStringLiteral("Main window (Konfiguracja tab selected, close hovered)"));
  writer.picture(windowMockup(artworks), 1);

  writer.heading(QStringLiteral("Busy dialogs, Anuluj normal and hovered; icons"));
  const QImage search = busyMockup(artworks, "busy_search.png", 0);
  const QImage change = busyMockup(artworks, "busy_change.png", 1);
  const QImage icon = resource(artworks, "lorvena.png");
  const QImage smallIcon = resource(artworks, "lorvena-48.png");
  const int rowTop = writer.y();
  fillCheckerboard(painter, QRect(kMargin, rowTop, kSheetWidth - 2 * kMargin, icon.height() + 8));
  writer.advance(4);
  writer.pictureAt(search, kMargin + 4);
  writer.pictureAt(change, kMargin + 4 + search.width() + 12);
  writer.pictureAt(icon, kMargin + 4 + 2 * (search.width() + 12));
  writer.pictureAt(smallIcon, kMargin + 4 + 2 * (search.width() + 12) + icon.width() + 12);
  writer.advance(icon.height() + 4 + kMargin);

  painter.end();
  return sheet.copy(0, 0, kSheetWidth, std::min(writer.y(), sheet.height()));
}

}  // namespace lorvena::artwork
