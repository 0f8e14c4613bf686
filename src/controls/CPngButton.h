#pragma once

#include <QAbstractButton>
#include <QImage>
#include <QRegion>

#include <array>

namespace lorvena {

// A push button drawn from a skin image: one horizontal strip of four equal
// frames (normal, hover, pressed or selected, disabled). The button takes
// the frame's size, and its visible and clickable area is the current
// frame's non-transparent pixels. Once pressed, it is released anywhere on
// its rectangle to click, even if the pressed frame's shape is smaller.
class CPngButton final : public QAbstractButton {
    Q_OBJECT

public:
    enum Frame { Normal = 0, Hover = 1, Pressed = 2, Disabled = 3 };

    explicit CPngButton(QWidget* parent = nullptr);

    // Loads the strip and shapes the button, keeping its top-left corner.
    // A missing or unreadable image leaves a 0 x 0 button, silently.
    void setImage(const QString& path);
    void setImage(const QImage& strip);

    // Tab buttons show the pressed frame while selected, unless disabled.
    void setSelected(bool selected);
    bool isSelected() const { return selected_; }
    // A null text keeps the tooltip there is.
    void setToolTipText(const QString& text);

    Frame currentFrame() const;

    // The frame a button in this state shows.
    static Frame frameFor(bool disabled, bool pressed, bool selected, bool hover);
    // Where frame `frame` is drawn from in a strip of this size: frames lie
    // floor(width / 4) pixels apart.
    static QRect frameSource(const QSize& strip, int frame);
    // Frame `frame`'s shape, in frame coordinates: its pixels with any alpha.
    // It is read from x = floor(width * frame / 4) on, which for widths that
    // are not a multiple of 4 is not quite where the frame is drawn from;
    // skins are made for this pairing, so both rules are kept.
    static QRegion frameShape(const QImage& strip, int frame);

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // Follows a change of state: the new frame's shape and a repaint.
    void stateChanged();
    void applyShape(Frame frame);

    QImage strip_;
    std::array<QRegion, 4> shapes_;
    bool selected_ = false;
    bool hover_ = false;
    Frame shownFrame_ = Normal;
};

} // namespace lorvena
