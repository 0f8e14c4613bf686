#pragma once

// Every picture the generator makes, where it goes, and the review sheet.

#include <QImage>
#include <QString>
#include <vector>

namespace lorvena::artwork {

struct Artwork {
  QString relativePath;  // "Skin/search.png", "resources/background.png", ...
  QImage image;
};

// The eleven skin strips, then the five resource pictures, then the icons
// for the desktop's theme. Each strip and each of the background and busy
// pictures comes twice: "name.png" and "name@2x.png", the same drawing at
// twice the scale for screens that scale.
std::vector<Artwork> renderAll();

// "Skin/search.png" -> "Skin/search@2x.png".
QString doubleSizeName(const QString& path);

// One picture for review, not shipped: every strip on a checkerboard (the
// small ones also enlarged), a mock-up of the window and of both busy
// dialogs with their buttons in place, and the icons.
QImage renderContactSheet(const std::vector<Artwork>& artworks);

// Writes each artwork under outputDir, creating folders. Returns an empty
// string on success, otherwise what failed.
QString writeAll(const QString& outputDir, const std::vector<Artwork>& artworks);

}  // namespace lorvena::artwork
