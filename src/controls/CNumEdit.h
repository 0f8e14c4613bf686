#pragma once

#include <QLineEdit>

namespace lorvena {

// An edit for port numbers: typing passes only digits and backspace, and
// nothing at all while locked. Text set by the program, and pasting from the
// context menu, still go in.
class CNumEdit final : public QLineEdit {
    Q_OBJECT

public:
    explicit CNumEdit(QWidget* parent = nullptr);

    void setLocked(bool locked) { locked_ = locked; }
    bool isLocked() const { return locked_; }

    // Whether a key press reaches the edit.
    static bool acceptsKey(const QKeyEvent& event, bool locked);
    // Whether text committed by an input method goes in.
    static bool acceptsCommit(const QString& text, bool locked);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;

private:
    bool locked_ = false;
};

} // namespace lorvena
