#include "controls/CPngButton.h"

#include "controls/ScaledPicture.h"

#include <QFocusEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>

#include <cmath>

namespace lorvena {

namespace {

constexpr int frameCount = 4;

// Qt reads an empty mask as "no mask"; a region outside the button hides
// and disables all of it instead.
QRegion nothing()
{
    return QRegion(-1, -1, 1, 1);
}

// Device pixels per logical pixel of a strip: 1 for the plain drawings, 2
// for the double-size ones.
int pixelsPerPoint(const QImage& strip)
{
    return std::max(1, static_cast<int>(std::lround(strip.devicePixelRatio())));
}

} // namespace

CPngButton::CPngButton(QWidget* parent) : QAbstractButton(parent)
{
    // Tab reaches the button but a mouse click does not take the focus: the
    // edit being typed in keeps it, and the focus mark shows only when the
    // keyboard brought it.
    setFocusPolicy(Qt::TabFocus);
    connect(this, &QAbstractButton::pressed, this, &CPngButton::stateChanged);
    connect(this, &QAbstractButton::released, this, &CPngButton::stateChanged);
}

void CPngButton::setImage(const QString& path)
{
    path_ = path;
    setImage(loadScaledPicture(path, devicePixelRatioF()));
}

void CPngButton::setImage(const QImage& strip)
{
    const qreal ratio = strip.devicePixelRatio();
    strip_ = strip.convertToFormat(QImage::Format_ARGB32);
    strip_.setDevicePixelRatio(ratio);
    for (int frame = 0; frame < frameCount; ++frame)
        shapes_[static_cast<std::size_t>(frame)] = frameShape(strip_, frame);
    resize(frameSize(strip_));
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

QSize CPngButton::frameSize(const QImage& strip)
{
    const int scale = pixelsPerPoint(strip);
    const QSize pixels = frameSource(strip.size(), 0).size();
    return QSize(pixels.width() / scale, pixels.height() / scale);
}

QRegion CPngButton::frameShape(const QImage& strip, int frame)
{
    const int scale = pixelsPerPoint(strip);
    const int columns = strip.width() / frameCount;
    const int start = strip.width() * frame / frameCount;
    const int rows = strip.height();
    // A logical pixel is in the shape when any pixel of its square has alpha.
    auto opaque = [&](int x, int y) {
        for (int dy = 0; dy < scale && y * scale + dy < rows; ++dy) {
            for (int dx = 0; dx < scale && x * scale + dx < columns; ++dx) {
                if (qAlpha(strip.pixel(start + x * scale + dx, y * scale + dy)) != 0)
                    return true;
            }
        }
        return false;
    };
    const int width = (columns + scale - 1) / scale;
    const int height = (rows + scale - 1) / scale;
    QRegion shape;
    for (int y = 0; y < height; ++y) {
        // One rectangle per run of opaque pixels: the same area as pixel by
        // pixel, built far faster.
        int x = 0;
        while (x < width) {
            if (!opaque(x, y)) {
                ++x;
                continue;
            }
            const int runStart = x;
            while (x < width && opaque(x, y))
                ++x;
            shape += QRect(runStart, y, x - runStart, 1);
        }
    }
    return shape;
}

QRect CPngButton::focusMarkRect(const QSize& frame)
{
    // Three pixels in: past the border and the rounding of the corners.
    return QRect(QPoint(0, 0), frame).adjusted(3, 3, -4, -4);
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
    const QSize frame = frameSize(strip_);
    painter.drawImage(QRect(QPoint(0, 0), frame), strip_, frameSource(strip_.size(), currentFrame()));
    if (hasFocus() && keyboardFocus_) {
        // Dark and light dashes in turn: the mark shows on every frame of
        // every strip, red, white or grey.
        const QRect mark = focusMarkRect(frame);
        painter.setPen(QPen(Qt::black, 1));
        painter.drawRect(mark);
        QPen light(Qt::white, 1, Qt::CustomDashLine);
        light.setDashPattern({2, 2});
        painter.setPen(light);
        painter.drawRect(mark);
    }
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

void CPngButton::focusInEvent(QFocusEvent* event)
{
    switch (event->reason()) {
    case Qt::TabFocusReason:
    case Qt::BacktabFocusReason:
    case Qt::ShortcutFocusReason:
        keyboardFocus_ = true;
        break;
    case Qt::ActiveWindowFocusReason:
    case Qt::PopupFocusReason:
        // The focus comes back to where it was: so does the mark, or not.
        break;
    default:
        keyboardFocus_ = false;
        break;
    }
    QAbstractButton::focusInEvent(event);
}

bool CPngButton::event(QEvent* event)
{
    // Moved to a screen of another scale: the drawing that suits it, if
    // it is not the one shown.
    if (event->type() == QEvent::ScreenChangeInternal && !path_.isEmpty()) {
        const bool large = devicePixelRatioF() > 1.0;
        if (large != (pixelsPerPoint(strip_) > 1))
            setImage(path_);
    }
    return QAbstractButton::event(event);
}

} // namespace lorvena
