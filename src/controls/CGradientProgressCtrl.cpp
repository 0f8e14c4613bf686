#include "controls/CGradientProgressCtrl.h"

#include "controls/GradientBands.h"

#include <QImage>
#include <QPainter>

namespace lorvena {

CGradientProgressCtrl::CGradientProgressCtrl(QWidget* parent)
    : QWidget(parent)
    , backgroundColour_(palette().color(QPalette::Button))
{
    // Every pixel is painted here: nothing needs clearing first.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CGradientProgressCtrl::SetPosition(int position)
{
    if (position_ == position)
        return;
    position_ = position;
    update();
}

void CGradientProgressCtrl::SetRange(int lower, int upper)
{
    if (lower_ == lower && upper_ == upper)
        return;
    lower_ = lower;
    upper_ = upper;
    update();
}

// The flag and the colours are set just before a new position, so their
// repaint and the position's fall into one paint; they repaint on their own
// too, so that switching the look at an unchanged position still shows.
void CGradientProgressCtrl::ShowPercent(bool show)
{
    if (showPercent_ == show)
        return;
    showPercent_ = show;
    update();
}

void CGradientProgressCtrl::SetStartColour(const QColor& colour)
{
    if (startColour_ == colour)
        return;
    startColour_ = colour;
    update();
}

void CGradientProgressCtrl::SetEndColour(const QColor& colour)
{
    if (endColour_ == colour)
        return;
    endColour_ = colour;
    update();
}

QImage CGradientProgressCtrl::drawGradient(const QSize& size, int filled) const
{
    QImage surface(size, QImage::Format_RGB32);
    GradientLayout layout = gradientLayout(size.width(), filled, startColour_.rgb(), endColour_.rgb());
    QPainter painter(&surface);
    for (const GradientBand& band : layout.bands)
        painter.fillRect(QRect(band.left, 0, band.right - band.left, size.height()), QColor(band.colour));
    painter.fillRect(QRect(layout.backgroundFrom, 0, size.width() - layout.backgroundFrom, size.height()),
        backgroundColour_);
    return surface;
}

void CGradientProgressCtrl::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (!showsGradient(lower_, position_, upper_) || width() <= 0 || height() <= 0) {
        painter.fillRect(rect(), palette().color(QPalette::Button));
        return;
    }
    painter.drawImage(0, 0, drawGradient(size(), filledWidth(position_, upper_, width())));
    if (showPercent_) {
        painter.setPen(textColour_);
        painter.drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine, percentText(position_, upper_));
    }
}

} // namespace lorvena
