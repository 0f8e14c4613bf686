#pragma once

#include <QRgb>
#include <QString>

#include <vector>

namespace lorvena {

// The arithmetic behind the gradient progress bar, apart from any painting
// so that it can be checked without a display.
//
// The colours belong to positions across the whole width of the bar, not
// to its filled part: a half-full bar shows only the first half of the
// gradient. The bar is cut at a band edge, so the filled part ends at the
// right edge of the band holding the filled width.
struct GradientBand {
    int left;  // first column
    int right; // one past the last column; equal to left for an empty band
    QRgb colour;
};

struct GradientLayout {
    std::vector<GradientBand> bands;
    // Where the background starts: the right edge of the last band drawn,
    // 0 when there is none.
    int backgroundFrom = 0;
};

// Whether a position is drawn as a gradient: strictly inside the range.
// At either end the bar is shown empty.
bool showsGradient(int lower, int position, int upper);

// The filled width: position / upper of the width, in single precision and
// truncated. The lower limit takes no part, as ranges here start at 0.
int filledWidth(int position, int upper, int width);

// As many bands as the largest channel difference between the two colours,
// each w = width / bands wide and each a step d / bands further along every
// channel, all in single precision; the first band whose right edge passes
// `filled` is the last one. Equal colours give no band, so the whole width
// is left to the background.
GradientLayout gradientLayout(int width, int filled, QRgb start, QRgb end);

// The percentage drawn over the bar, "%.0f%%" of position * 100 / upper.
QString percentText(int position, int upper);

} // namespace lorvena
