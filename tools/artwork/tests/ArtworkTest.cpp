// Checks the properties the program relies on: strip layout and shape,
// calm areas under the controls, opaque pictures, the compiled-in resource
// file, and the writer's error path.

#include <gtest/gtest.h>

#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QTemporaryDir>
#include <array>

#include "artwork/Catalogue.h"
#include "artwork/Geometry.h"
#include "artwork/Offscreen.h"
#include "artwork/Painting.h"
#include "artwork/Pictures.h"
#include "artwork/Strips.h"

namespace lorvena::artwork {
namespace {

TEST(ArtworkGeometry, DialogUnitsRoundToNearestPixel) {
  EXPECT_EQ(windowX(598), 1047);
  EXPECT_EQ(windowY(356), 579);
  EXPECT_EQ(busyX(181), 285);
  EXPECT_EQ(busyY(82), 128);
  // 120 x 17 du = 210.10 x 27.65 px; 14 x 15 du = 24.51 x 24.40 px.
  EXPECT_EQ(kSearchButton.width, 210);
  EXPECT_EQ(kSearchButton.height, 28);
  EXPECT_EQ(kCloseButton.width, 25);
  EXPECT_EQ(kCloseButton.height, 24);
  // 50 x 14 du of the busy dialog = 78.73 x 21.85 px.
  EXPECT_EQ(kBusyCancel.width, 79);
  EXPECT_EQ(kBusyCancel.height, 22);
}

TEST(ArtworkFont, FamilyIsInstalled) { EXPECT_TRUE(fontFamilyAvailable()); }

TEST(ArtworkStrips, ElevenStripsOfFourFramesWithTransparentRoundedCornersAtEachScale) {
  ASSERT_EQ(skinButtons().size(), 11u);
  for (const SkinButton& button : skinButtons()) {
    for (const int scale : {1, 2}) {
      SCOPED_TRACE(std::string(button.fileName) + " at scale " + std::to_string(scale));
      const QImage strip = renderStrip(button, scale);
      ASSERT_EQ(strip.width(), button.frame.width * kFrameCount * scale);
      ASSERT_EQ(strip.height(), button.frame.height * scale);
      ASSERT_EQ(strip.width() % kFrameCount, 0);
      const int w = button.frame.width * scale;
      const int h = button.frame.height * scale;
      for (int frame = 0; frame < kFrameCount; ++frame) {
        SCOPED_TRACE(frame);
        const int left = frame * w;
        // Top corners are rounded on every button; tabs keep square feet.
        EXPECT_EQ(qAlpha(strip.pixel(left, 0)), 0);
        EXPECT_EQ(qAlpha(strip.pixel(left + w - 1, 0)), 0);
        if (button.style != ButtonStyle::Tab) {
          EXPECT_EQ(qAlpha(strip.pixel(left, h - 1)), 0);
          EXPECT_EQ(qAlpha(strip.pixel(left + w - 1, h - 1)), 0);
        }
        // The body is opaque, so every state has a shape to click.
        EXPECT_EQ(qAlpha(strip.pixel(left + w / 2, h / 2)), 255);
        EXPECT_EQ(qAlpha(strip.pixel(left + w / 2, 0)), 255);
        EXPECT_EQ(qAlpha(strip.pixel(left, h / 2)), 255);
      }
      // Each state looks different from the others.
      for (int a = 0; a < kFrameCount; ++a) {
        for (int b = a + 1; b < kFrameCount; ++b) {
          EXPECT_NE(strip.copy(a * w, 0, w, h), strip.copy(b * w, 0, w, h)) << a << " vs " << b;
        }
      }
    }
  }
}

// True when every pixel of rect (in logical pixels) has the given colour.
bool isUniform(const QImage& image, const PixelRect& rect, QRgb color) {
  const int scale = static_cast<int>(image.devicePixelRatio());
  for (int y = rect.y * scale; y < (rect.y + rect.height) * scale; ++y) {
    for (int x = rect.x * scale; x < (rect.x + rect.width) * scale; ++x) {
      if ((image.pixel(x, y) & 0xFFFFFFu) != (color & 0xFFFFFFu)) return false;
    }
  }
  return true;
}

TEST(ArtworkBackground, OpaqueWithCalmControlAreasAtEachScale) {
  for (const int scale : {1, 2}) {
    SCOPED_TRACE(scale);
    const QImage background = renderBackground(scale);
    ASSERT_EQ(background.width(), 1047 * scale);
    ASSERT_EQ(background.height(), 579 * scale);
    EXPECT_FALSE(background.hasAlphaChannel());
    EXPECT_EQ(background.pixel(0, 300) & 0xFFFFFFu, palette::kRed & 0xFFFFFFu);
    EXPECT_EQ(background.pixel(1047 * scale - 1, 300) & 0xFFFFFFu, palette::kRed & 0xFFFFFFu);
    // Under the list, the tabs, the form and the bottom row of controls the
    // field is plain, so labels painted with the field colour blend in.
    EXPECT_TRUE(isUniform(background, kDeviceList, palette::kField));
    const int formRight = windowX(592);
    const PixelRect form{kFormLeft, kModifyTab.y, formRight - kFormLeft,
                         kApplyButton.y + kApplyButton.height - kModifyTab.y};
    EXPECT_TRUE(isUniform(background, form, palette::kField));
    EXPECT_TRUE(isUniform(background, kSearchButton, palette::kField));
    EXPECT_TRUE(isUniform(background, kVersionLabel, palette::kField));
    // The window buttons stand on the plain band, clear of the title art.
    const PixelRect buttons{kSwitchButton.x - 4, kSwitchButton.y,
                            kCloseButton.x + kCloseButton.width + 4 - (kSwitchButton.x - 4),
                            kSwitchButton.height};
    for (int y = buttons.y * scale; y < (buttons.y + buttons.height) * scale; ++y) {
      const QRgb first = background.pixel(buttons.x * scale, y);
      for (int x = buttons.x * scale; x < (buttons.x + buttons.width) * scale; ++x) {
        ASSERT_EQ(background.pixel(x, y), first) << x << "," << y;
      }
    }
  }
}

TEST(ArtworkBusy, OpaqueAndClearUnderCancelAtEachScale) {
  for (const BusyKind kind : {BusyKind::Search, BusyKind::Change}) {
    for (const int scale : {1, 2}) {
      SCOPED_TRACE(scale);
      const QImage busy = renderBusyPicture(kind, scale);
      ASSERT_EQ(busy.width(), 285 * scale);
      ASSERT_EQ(busy.height(), 128 * scale);
      EXPECT_FALSE(busy.hasAlphaChannel());
      EXPECT_TRUE(isUniform(busy, kBusyCancel, qRgb(255, 255, 255)));
      EXPECT_EQ(busy.pixel(0, 0) & 0xFFFFFFu, palette::kRed & 0xFFFFFFu);
    }
  }
  EXPECT_NE(renderBusyPicture(BusyKind::Search), renderBusyPicture(BusyKind::Change));
}

TEST(ArtworkIcon, SquareWithTransparentCorners) {
  for (const int size : {256, 128, 64, 48, 32, 24, 16}) {
    const QImage icon = renderAppIcon(size);
    ASSERT_EQ(icon.size(), QSize(size, size));
    EXPECT_EQ(qAlpha(icon.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(icon.pixel(size - 1, size - 1)), 0);
    EXPECT_EQ(qAlpha(icon.pixel(size / 2, size / 2)), 255);
  }
}

TEST(ArtworkResources, CompiledResourceFileHoldsThePicturesAtBothScales) {
  const std::array<std::pair<const char*, QSize>, 8> expected{{
      {":/artwork/background.png", QSize(1047, 579)},
      {":/artwork/busy_search.png", QSize(285, 128)},
      {":/artwork/busy_change.png", QSize(285, 128)},
      {":/artwork/background@2x.png", QSize(2094, 1158)},
      {":/artwork/busy_search@2x.png", QSize(570, 256)},
      {":/artwork/busy_change@2x.png", QSize(570, 256)},
      {":/artwork/lorvena.png", QSize(256, 256)},
      {":/artwork/lorvena-48.png", QSize(48, 48)},
  }};
  for (const auto& [path, size] : expected) {
    const QImage image(QString::fromLatin1(path));
    EXPECT_EQ(image.size(), size) << path;
  }
}

TEST(ArtworkWriter, WritesEveryFileAndReportsFailure) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const std::vector<Artwork> artworks = renderAll();
  ASSERT_EQ(artworks.size(), 35u);
  EXPECT_EQ(writeAll(dir.path(), artworks), QString());
  for (const Artwork& artwork : artworks) {
    const QImage written(dir.filePath(artwork.relativePath));
    EXPECT_EQ(written.size(), artwork.image.size()) << artwork.relativePath.toStdString();
  }

  // A plain file where the Skin folder should go.
  QTemporaryDir blocked;
  ASSERT_TRUE(blocked.isValid());
  QFile obstacle(blocked.filePath(QStringLiteral("Skin")));
  ASSERT_TRUE(obstacle.open(QIODevice::WriteOnly));
  obstacle.close();
  const QString error = writeAll(blocked.path(), artworks);
  EXPECT_TRUE(error.contains(QStringLiteral("Skin"))) << error.toStdString();
}

}  // namespace
}  // namespace lorvena::artwork

int main(int argc, char* argv[]) {
  lorvena::artwork::prepareOffscreenApplication();
  QGuiApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
