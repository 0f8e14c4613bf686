#pragma once

// The skin strips: four frames side by side (normal, hover, pressed or
// selected, disabled), each frame the size of its button.

#include <QImage>
#include <QString>
#include <span>

#include "artwork/Geometry.h"

namespace lorvena::artwork {

enum class ButtonStyle {
  Primary,        // red gradient, white caption: the main action of an area
  Outline,        // white with a red border: secondary actions
  Tab,            // a tab; frame 2 is the active tab
  WindowControl,  // the small square buttons of the title band
};

enum class Glyph { None, Magnifier, Close, Minimize, Swap, Upload };

struct SkinButton {
  const char* fileName;  // inside the Skin folder
  int controlId;
  PixelSize frame;
  ButtonStyle style;
  const char16_t* caption;  // may be empty
  Glyph glyph;
  int fontPixelSize;  // preferred; shrunk when the caption would not fit
};

inline constexpr int kFrameCount = 4;

// The eleven strips, in the order of the skin file table.
std::span<const SkinButton> skinButtons();

// ARGB32 strip of kFrameCount frames; pixels outside a frame's shape have
// alpha 0. At scale 2 it is the same drawing with twice the pixels each
// way, for screens that scale (device pixel ratio 2).
QImage renderStrip(const SkinButton& button, int scale = 1);

}  // namespace lorvena::artwork
