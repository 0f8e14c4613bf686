#include "controls/GradientBands.h"

#include <QColor>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace lorvena {

namespace {

// A band's channel: truncated toward zero, then only its low 8 bits.
int bandChannel(int start, int band, float step)
{
    return static_cast<int>(static_cast<float>(start) + static_cast<float>(band) * step) & 0xFF;
}

} // namespace

bool showsGradient(int lower, int position, int upper)
{
    return lower < position && position < upper;
}

int filledWidth(int position, int upper, int width)
{
    double share = static_cast<double>(position) / upper * width;
    // Ranges that do not start at 0 can give shares outside the bar (or no
    // number at all for an upper limit of 0); they would not fit an int.
    if (!(share > 0))
        return 0;
    share = std::min(share, static_cast<double>(width));
    return static_cast<int>(static_cast<float>(share));
}

GradientLayout gradientLayout(int width, int filled, QRgb start, QRgb end)
{
    const int startChannels[3] = {qRed(start), qGreen(start), qBlue(start)};
    const int differences[3] = {
        qRed(end) - startChannels[0], qGreen(end) - startChannels[1], qBlue(end) - startChannels[2]};
    const int bands = std::max({std::abs(differences[0]), std::abs(differences[1]), std::abs(differences[2])});

    GradientLayout layout;
    if (bands == 0)
        return layout;

    const float bandWidth = static_cast<float>(width) / static_cast<float>(bands);
    float steps[3];
    for (int channel = 0; channel < 3; ++channel)
        steps[channel] = static_cast<float>(differences[channel]) / static_cast<float>(bands);

    for (int band = 0; band < bands; ++band) {
        GradientBand drawn {
            static_cast<int>(static_cast<float>(band) * bandWidth),
            static_cast<int>(static_cast<float>(band + 1) * bandWidth),
            qRgb(bandChannel(startChannels[0], band, steps[0]), bandChannel(startChannels[1], band, steps[1]),
                bandChannel(startChannels[2], band, steps[2])),
        };
        layout.bands.push_back(drawn);
        if (drawn.right > filled)
            break;
    }
    layout.backgroundFrom = layout.bands.back().right;
    return layout;
}

QString percentText(int position, int upper)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.0f%%", static_cast<double>(position) * 100.0 / upper);
    return QString::fromLatin1(text);
}

} // namespace lorvena
