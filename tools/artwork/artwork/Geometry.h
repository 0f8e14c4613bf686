#pragma once

// Where the pictures go on screen, in pixels, derived from the dialog-unit
// rectangles of the window layouts. Everything here is constexpr so the
// tests can check the sizes without drawing.

namespace lorvena::artwork {

struct PixelSize {
  int width;
  int height;
};

struct PixelRect {
  int x;
  int y;
  int width;
  int height;
};

// Rounds numerator / denominator to the nearest integer, halves away from
// zero, for the non-negative values used here.
constexpr int roundedRatio(int numerator, int denominator) {
  return (2 * numerator + denominator) / (2 * denominator);
}

// The main window: 598 x 356 dialog units shown as 1047 x 579 pixels.
inline constexpr PixelSize kWindowSize{1047, 579};
constexpr int windowX(int du) { return roundedRatio(du * 1047, 598); }
constexpr int windowY(int du) { return roundedRatio(du * 579, 356); }
constexpr PixelRect windowRect(int x, int y, int w, int h) {
  return {windowX(x), windowY(y), windowX(w), windowY(h)};
}

// The busy dialog: 181 x 82 dialog units shown as 285 x 128 pixels.
inline constexpr PixelSize kBusySize{285, 128};
constexpr int busyX(int du) { return roundedRatio(du * 285, 181); }
constexpr int busyY(int du) { return roundedRatio(du * 128, 82); }
constexpr PixelRect busyRect(int x, int y, int w, int h) {
  return {busyX(x), busyY(y), busyX(w), busyY(h)};
}

// The upgrade panel's template is 159 x 344 dialog units but the panel is
// shown at 250 x 400 pixels, which would stretch its units by 1.57
// horizontally and only 1.16 vertically. Its two buttons use the main
// window's scale instead: the panel sits inside that window, and so its
// Upgrade button matches "Zmiana IP" (the action button of the other tab)
// pixel for pixel and its Browse button has the height of the tab buttons.
constexpr PixelSize panelButton(int w, int h) { return {windowX(w), windowY(h)}; }

// Main window controls that the background must leave calm, in pixels.
inline constexpr PixelRect kDeviceList = windowRect(6, 67, 433, 258);
inline constexpr PixelRect kSearchButton = windowRect(207, 332, 120, 17);
inline constexpr PixelRect kModifyTab = windowRect(450, 67, 66, 16);
inline constexpr PixelRect kUpgradeTab = windowRect(521, 67, 66, 16);
inline constexpr PixelRect kOldModifyTab = windowRect(450, 67, 137, 16);
inline constexpr PixelRect kApplyButton = windowRect(450, 309, 121, 26);
inline constexpr PixelRect kCloseButton = windowRect(579, 2, 14, 15);
inline constexpr PixelRect kMinimizeButton = windowRect(562, 2, 14, 15);
inline constexpr PixelRect kSwitchButton = windowRect(545, 2, 14, 15);
inline constexpr PixelRect kVersionLabel = windowRect(7, 336, 55, 9);
inline constexpr int kFormLeft = windowX(450);
// A press above this row drags the window.
inline constexpr int kTitleBandHeight = 78;

// The busy dialog's Cancel button.
inline constexpr PixelRect kBusyCancel = busyRect(12, 57, 50, 14);

// The upgrade panel's buttons (sizes only; the panel lays them out).
inline constexpr PixelSize kPanelUpgradeButton = panelButton(121, 26);
inline constexpr PixelSize kPanelBrowseButton = panelButton(60, 16);

}  // namespace lorvena::artwork
