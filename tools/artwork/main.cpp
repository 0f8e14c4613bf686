// lorvena-artwork OUTPUT_DIR
//
// Draws the skin strips into OUTPUT_DIR/Skin, the pictures compiled into the
// program into OUTPUT_DIR/resources, and a review sheet (not shipped) into
// OUTPUT_DIR/contact-sheet.png. Exits non-zero with a message when a file
// cannot be written or the font is missing.

#include <QDir>
#include <QGuiApplication>
#include <cstdio>

#include "artwork/Catalogue.h"
#include "artwork/Offscreen.h"
#include "artwork/Painting.h"

int main(int argc, char* argv[]) {
  // Text needs a GUI application for its fonts; it must never need a display.
  lorvena::artwork::prepareOffscreenApplication();
  QGuiApplication application(argc, argv);

  const QStringList arguments = QCoreApplication::arguments();
  if (arguments.size() != 2) {
    std::fprintf(stderr, "usage: lorvena-artwork OUTPUT_DIR\n");
    return 2;
  }
  if (!lorvena::artwork::fontFamilyAvailable()) {
    std::fprintf(stderr,
                 "lorvena-artwork: the font family \"%s\" is not installed "
                 "(Debian package fonts-dejavu-core)\n",
                 lorvena::artwork::kFontFamily);
    return 1;
  }

  const QString outputDir = arguments.at(1);
  const std::vector<lorvena::artwork::Artwork> artworks = lorvena::artwork::renderAll();
  QString error = lorvena::artwork::writeAll(outputDir, artworks);
  if (error.isEmpty()) {
    const QString sheet = QDir(outputDir).filePath(QStringLiteral("contact-sheet.png"));
    if (!lorvena::artwork::renderContactSheet(artworks).save(sheet, "PNG")) {
      error = QStringLiteral("cannot write %1").arg(sheet);
    }
  }
  if (!error.isEmpty()) {
    std::fprintf(stderr, "lorvena-artwork: %s\n", qPrintable(error));
    return 1;
  }
  return 0;
}
