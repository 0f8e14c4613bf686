#include "controls/CNumEdit.h"

#include <QKeyEvent>

namespace lorvena {

CNumEdit::CNumEdit(QWidget* parent) : QLineEdit(parent) {}

bool CNumEdit::acceptsKey(const QKeyEvent& event, bool locked)
{
    // Keys that type nothing (arrows, Home, Tab...) only move the caret.
    bool erases = event.key() == Qt::Key_Backspace || event.key() == Qt::Key_Delete;
    if (event.text().isEmpty() && !erases)
        return !event.matches(QKeySequence::Paste) && !event.matches(QKeySequence::Cut) &&
            !event.matches(QKeySequence::Copy) && !event.matches(QKeySequence::SelectAll) &&
            !event.matches(QKeySequence::Undo) && !event.matches(QKeySequence::Redo);
    if (locked)
        return false;
    if (erases)
        return true;
    // Shortcuts come with control characters as their text; only plain digits pass.
    const QString text = event.text();
    return text.size() == 1 && text.front() >= QLatin1Char('0') && text.front() <= QLatin1Char('9') &&
        !(event.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
}

void CNumEdit::keyPressEvent(QKeyEvent* event)
{
    if (acceptsKey(*event, locked_))
        QLineEdit::keyPressEvent(event);
    else
        event->accept();
}

} // namespace lorvena
