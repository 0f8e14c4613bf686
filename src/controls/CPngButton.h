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
// Tab reaches it, a focus mark shows it has the keyboard, and Space clicks
// it. On a screen that scales, the strip's double-size drawing is used when
// there is one (see ScaledPicture.h); its logical size and shape stay those
// of the plain strip.
class CPngButton final : public QAbstractButton {
    Q_OBJECT

public:
    enum Frame { Normal = 0, Hover = 1, Pressed = 2, Disabled = 3 };

    explicit CPngButton(QWidget* parent = nullptr);

    // Loads the strip and shapes the button, keeping its top-left corner.
    // A missing or unreadable image leaves a 0 x 0 button, silently. A
    // strip whose device pixel ratio is above 1 is drawn that many device
    // pixels to the logical one.
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
    // Where frame `frame` is drawn from in a strip of this size, in the
    // strip's pixels: frames lie floor(width / 4) pixels apart.
    static QRect frameSource(const QSize& strip, int frame);
    // Frame `frame`'s shape, in logical frame coordinates: its pixels with
    // any alpha. It is read from x = floor(width * frame / 4) on, which for
    // widths that are not a multiple of 4 is not quite where the frame is
    // drawn from; skins are made for this pairing, so both rules are kept.
    // In a strip of device pixel ratio n, a logical pixel belongs to the
    // shape when any of its n x n pixels has alpha.
    static QRegion frameShape(const QImage& strip, int frame);
    // The logical size of a frame of this strip.
    static QSize frameSize(const QImage& strip);
    // Where the focus mark is drawn on a frame of this logical size: inside
    // the rounded corners, clear of the edge's border.
    static QRect focusMarkRect(const QSize& frame);

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool event(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;

private:
    // Follows a change of state: the new frame's shape and a repaint.
    void stateChanged();
    void applyShape(Frame frame);

    // Where the strip came from, so a move to a screen of another scale
    // can load the drawing that suits it.
    QString path_;
    QImage strip_;
    std::array<QRegion, 4> shapes_;
    bool selected_ = false;
    bool hover_ = false;
    // The keyboard brought the focus: the focus mark shows. A window that
    // merely opens or comes back to the front gives its first button the
    // focus too, and that alone shows no mark.
    bool keyboardFocus_ = false;
    Frame shownFrame_ = Normal;
};

} // namespace lorvena
