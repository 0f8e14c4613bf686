#include "controls/CPngButton.h"

#include <QMouseEvent>
#include <QPainter>

namespace lorvena {

CPngButton::CPngButton(QWidget* parent) : QAbstractButton(parent)
{
    setAttribute(Qt::WA_Hover);
    setFocusPolicy(Qt::NoFocus);
}

void CPngButton::setImage(const QString& path)
{
    setImage(QImage(path));
}

void CPngButton::setImage(const QImage& strip)
{
    strip_ = strip.convertToFormat(QImage::Format_ARGB32);
    frameWidth_ = strip_.width() / 4;
    for (int frame = 0; frame < 4; ++frame)
        shapes_[static_cast<std::size_t>(frame)] = frameShape(strip_, frame);
    resize(frameWidth_, strip_.height());
    maskedFrame_ = Normal;
    applyMask();
    update();
}

void CPngButton::setSelected(bool selected)
{
    if (selected_ == selected)
        return;
    selected_ = selected;
    applyMask();
    update();
}

void CPngButton::setToolTipText(const QString& text)
{
    setToolTip(text);
}

CPngButton::Frame CPngButton::frameFor(bool disabled, bool pressed, bool selected, bool hover)
{
    if (disabled)
        return Disabled;
    if (pressed || selected)
        return Pressed;
    return hover ? Hover : Normal;
}

CPngButton::Frame CPngButton::currentFrame() const
{
    return frameFor(!isEnabled(), isDown(), selected_, hover_);
}

QRegion CPngButton::frameShape(const QImage& strip, int frame)
{
    QRegion shape;
    const int columns = strip.width() / 4;
    const int start = strip.width() * frame / 4;
    for (int y = 0; y < strip.height(); ++y) {
        // Runs of opaque pixels make one rectangle each: the same area as
        // pixel by pixel, built far faster.
        int x = 0;
        while (x < columns) {
            if (qAlpha(strip.pixel(start + x, y)) == 0) {
                ++x;
                continue;
            }
            int runStart = x;
            while (x < columns && qAlpha(strip.pixel(start + x, y)) != 0)
                ++x;
            shape += QRect(runStart, y, x - runStart, 1);
        }
    }
    return shape;
}

void CPngButton::applyMask()
{
    if (strip_.isNull()) {
        clearMask();
        return;
    }
    maskedFrame_ = currentFrame();
    const QRegion& shape = shapes_[static_cast<std::size_t>(maskedFrame_)];
    // An empty mask would mean "no mask" to Qt; a fully transparent frame
    // must leave nothing visible or clickable, so use a region outside.
    setMask(shape.isEmpty() ? QRegion(-1, -1, 1, 1) : shape);
}

void CPngButton::paintEvent(QPaintEvent*)
{
    if (strip_.isNull())
        return;
    Frame frame = currentFrame();
    if (frame != maskedFrame_)
        applyMask();
    QPainter painter(this);
    painter.drawImage(QPoint(0, 0), strip_, QRect(frame * frameWidth_, 0, frameWidth_, strip_.height()));
}

void CPngButton::enterEvent(QEnterEvent* event)
{
    hover_ = true;
    update();
    QAbstractButton::enterEvent(event);
}

void CPngButton::leaveEvent(QEvent* event)
{
    hover_ = false;
    update();
    QAbstractButton::leaveEvent(event);
}

void CPngButton::mouseDoubleClickEvent(QMouseEvent* event)
{
    // Two quick clicks are two clicks, not a click and a double-click.
    mousePressEvent(event);
}

void CPngButton::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::EnabledChange)
        update();
    QAbstractButton::changeEvent(event);
}

} // namespace lorvena
