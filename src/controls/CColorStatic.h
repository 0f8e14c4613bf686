#pragma once

#include <QColor>
#include <QLabel>

namespace lorvena {

// A label with its own text and background colours; transparent draws the
// text straight over whatever lies under it. It starts as the title label
// wants it: button text colour over the button face colour, transparent.
class CColorStatic final : public QLabel {
    Q_OBJECT

public:
    explicit CColorStatic(QWidget* parent = nullptr);

    void setTextColour(const QColor& colour);
    QColor textColour() const { return text_; }
    void setBackgroundColour(const QColor& colour);
    QColor backgroundColour() const { return background_; }
    void setTransparent(bool transparent);
    bool isTransparent() const { return transparent_; }

private:
    void applyColours();

    QColor text_;
    QColor background_;
    bool transparent_ = true;
};

} // namespace lorvena
