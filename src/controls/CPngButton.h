#pragma once

#include <QAbstractButton>
#include <QImage>
#include <QRegion>

#include <array>

namespace lorvena {

// A push button drawn from a skin image: one horizontal strip of four equal
// frames (normal, hover, pressed or selected, disabled). The button takes
// the frame's size, and its visible and clickable area is the frame's
// non-transparent pixels.
class CPngButton final : public QAbstractButton {
    Q_OBJECT

public:
    enum Frame { Normal = 0, Hover = 1, Pressed = 2, Disabled = 3 };

    explicit CPngButton(QWidget* parent = nullptr);

    // Loads the strip and shapes the button. A missing or unreadable image
    // leaves a 0 x 0 button.
    void setImage(const QString& path);
    void setImage(const QImage& strip);

    // Tab buttons show the pressed frame while selected.
    void setSelected(bool selected);
    bool isSelected() const { return selected_; }
    void setToolTipText(const QString& text);

    Frame currentFrame() const;

    // The frame a button in this state shows.
    static Frame frameFor(bool disabled, bool pressed, bool selected, bool hover);
    // Frame `frame`'s shape, in frame coordinates: its pixels with any alpha.
    // The shape of frame i is read from x = floor(width * i / 4) on.
    static QRegion frameShape(const QImage& strip, int frame);

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void applyMask();

    QImage strip_;
    int frameWidth_ = 0;
    std::array<QRegion, 4> shapes_;
    bool selected_ = false;
    bool hover_ = false;
    Frame maskedFrame_ = Normal;
};

} // namespace lorvena
