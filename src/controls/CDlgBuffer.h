#pragma once

#include <QDialog>
#include <QPixmap>

namespace lorvena {

class CPngButton;

// The modal busy dialog shown while a search or a batch change runs: a
// picture saying what is going on and a Cancel button. Only Cancel or its
// owner end it; Enter, Escape, Space and Delete are swallowed.
class CDlgBuffer final : public QDialog {
    Q_OBJECT

public:
    static constexpr int widthPixels = 285;
    static constexpr int heightPixels = 128;
    static constexpr int cancelResult = 2;

    // `skinDirectory` holds "Cancel.png"; it ends with a separator.
    explicit CDlgBuffer(const QString& skinDirectory, QWidget* parent = nullptr);

    // The picture stretched over the whole dialog; the owner picks it
    // before each run.
    void setBackground(const QPixmap& picture);
    // Runs modally; the result is 2 for Cancel, or what the owner ended it with.
    int run();
    // Ends a running dialog with `result`; does nothing when none runs.
    void end(int result);

    CPngButton* cancelButton() const { return cancel_; }

    // Where the dialog sits on a screen of this size: centred vertically,
    // 135 pixels left of the horizontal centre.
    static QPoint placement(const QSize& screen);
    // The dialog is laid out in 181 x 82 dialog units and shown as
    // 285 x 128 pixels: a rectangle in those units, in pixels.
    static QRect unitsToPixels(const QRect& units);

public Q_SLOTS:
    // Closing the window by other means is a cancel too.
    void reject() override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QPixmap background_;
    CPngButton* cancel_;
};

} // namespace lorvena
