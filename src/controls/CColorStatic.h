#pragma once

#include <QColor>
#include <QLabel>

namespace lorvena {

// A label with its own text and background colours; transparent draws the
// text straight over whatever lies under it.
class CColorStatic final : public QLabel {
    Q_OBJECT

public:
    explicit CColorStatic(QWidget* parent = nullptr);

    void setTextColour(const QColor& colour);
    void setBackgroundColour(const QColor& colour);
    void setTransparent(bool transparent);

private:
    void applyColours();

    QColor text_;
    QColor background_;
    bool transparent_ = true;
};

} // namespace lorvena
