#pragma once

#include <QColor>
#include <QWidget>

namespace lorvena {

// The upgrade panel's progress bar. The filled part is drawn as bands of
// colour running from the start colour at the left edge towards the end
// colour at the right edge, the rest in the background colour; when asked,
// the percentage is drawn centred on top. A position at either end of the
// range shows an empty bar in the button face colour without text.
class CGradientProgressCtrl final : public QWidget {
    Q_OBJECT

public:
    explicit CGradientProgressCtrl(QWidget* parent = nullptr);

    // Each setter repaints only when it changes what is shown, so a bar fed
    // once per transferred chunk does not repaint for nothing.
    void SetPosition(int position);
    void SetRange(int lower, int upper);
    void ShowPercent(bool show);
    void SetStartColour(const QColor& colour);
    void SetEndColour(const QColor& colour);

    int position() const { return position_; }
    int lower() const { return lower_; }
    int upper() const { return upper_; }
    // Nothing reads it; kept with the range it belongs to.
    int step() const { return step_; }
    bool showsPercent() const { return showPercent_; }
    QColor startColour() const { return startColour_; }
    QColor endColour() const { return endColour_; }
    QColor backgroundColour() const { return backgroundColour_; }
    QColor textColour() const { return textColour_; }

    QSize sizeHint() const override { return {200, 20}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // The bands and the unfilled part, drawn off-screen first so that a bar
    // repainted once per chunk never shows half of a paint.
    QImage drawGradient(const QSize& size, int filled) const;

    bool showPercent_ = false;
    int lower_ = 0;
    int upper_ = 100;
    int step_ = 10;
    int position_ = 0;
    QColor startColour_ {0, 255, 0};
    QColor endColour_ {0, 0, 255};
    // The button face colour as it was when the bar was made; the empty bar
    // looks the colour up again at each paint.
    QColor backgroundColour_;
    QColor textColour_ {0, 0, 0};
};

} // namespace lorvena
