#include "controls/CPngButton.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPointer>

namespace lorvena {

namespace {

constexpr int frameCount = 4;

// Qt reads an empty mask as "no mask"; a region outside the button hides
// and disables all of it instead.
QRegion nothing()
{
    return QRegion(-1, -1, 1, 1);
}

} // namespace

CPngButton::CPngButton(QWidget* parent) : QAbstractButton(parent)
{
    // Skin buttons are clicked, never tabbed to: no focus frame to draw.
    setFocusPolicy(Qt::NoFocus);
    connect(this, &QAbstractButton::pressed, this, &CPngButton::stateChanged);
    connect(this, &QAbstractButton::released, this, &CPngButton::stateChanged);
}

void CPngButton::setImage(const QString& path)
{
    setImage(QImage(path));
}

void CPngButton::setImage(const QImage& strip)
{
    strip_ = strip.convertToFormat(QImage::Format_ARGB32);
    for (int frame = 0; frame < frameCount; ++frame)
        shapes_[static_cast<std::size_t>(frame)] = frameShape(strip_, frame);
    resize(frameSource(strip_.size(), 0).size());
    applyShape(currentFrame());
    update();
}

void CPngButton::setSelected(bool selected)
{
    if (selected_ == selected)
        return;
    selected_ = selected;
    stateChanged();
}

void CPngButton::setToolTipText(const QString& text)
{
    if (text.isNull())
        return;
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

QRect CPngButton::frameSource(const QSize& strip, int frame)
{
    const int width = strip.width() / frameCount;
    return QRect(frame * width, 0, width, strip.height());
}

QRegion CPngButton::frameShape(const QImage& strip, int frame)
{
    QRegion shape;
    const int columns = strip.width() / frameCount;
    const int start = strip.width() * frame / frameCount;
    for (int y = 0; y < strip.height(); ++y) {
        // One rectangle per run of opaque pixels: the same area as pixel by
        // pixel, built far faster.
        int x = 0;
        while (x < columns) {
            if (qAlpha(strip.pixel(start + x, y)) == 0) {
                ++x;
                continue;
            }
            const int runStart = x;
            while (x < columns && qAlpha(strip.pixel(start + x, y)) != 0)
                ++x;
            shape += QRect(runStart, y, x - runStart, 1);
        }
    }
    return shape;
}

void CPngButton::stateChanged()
{
    const Frame frame = currentFrame();
    if (frame == shownFrame_)
        return;
    applyShape(frame);
    update();
}

void CPngButton::applyShape(Frame frame)
{
    shownFrame_ = frame;
    if (strip_.isNull()) {
        clearMask();
        return;
    }
    const QRegion& shape = shapes_[static_cast<std::size_t>(frame)];
    setMask(shape.isEmpty() ? nothing() : shape);
}

void CPngButton::paintEvent(QPaintEvent*)
{
    if (strip_.isNull())
        return;
    // Drawing cannot fail here the way a bitmap blit can, so there is no
    // failure to report.
    QPainter painter(this);
    painter.setClipRegion(mask());
    painter.drawImage(QPoint(0, 0), strip_, frameSource(strip_.size(), currentFrame()));
}

void CPngButton::enterEvent(QEnterEvent* event)
{
    hover_ = true;
    stateChanged();
    QAbstractButton::enterEvent(event);
}

void CPngButton::leaveEvent(QEvent* event)
{
    hover_ = false;
    stateChanged();
    QAbstractButton::leaveEvent(event);
}

void CPngButton::mouseReleaseEvent(QMouseEvent* event)
{
    // A release away from the button ends the press without a released()
    // signal when no move came first. A clicked() handler may have deleted
    // the button by now.
    QPointer<CPngButton> alive(this);
    QAbstractButton::mouseReleaseEvent(event);
    if (alive)
        stateChanged();
}

void CPngButton::mouseDoubleClickEvent(QMouseEvent* event)
{
    // Two quick clicks are two clicks, not a click and a double-click. Qt
    // usually sends the second press before the double-click; when it does
    // not, the double-click is that press.
    if (isDown())
        event->accept();
    else
        mousePressEvent(event);
}

void CPngButton::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::EnabledChange)
        stateChanged();
    QAbstractButton::changeEvent(event);
}

} // namespace lorvena
