#include "controls/CNumEdit.h"

#include <QKeyEvent>

#include <algorithm>

namespace lorvena {

namespace {

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

bool isEditShortcut(const QKeyEvent& event)
{
    for (QKeySequence::StandardKey key : {QKeySequence::Copy, QKeySequence::Cut, QKeySequence::Paste,
             QKeySequence::SelectAll, QKeySequence::Undo, QKeySequence::Redo}) {
        if (event.matches(key))
            return true;
    }
    return false;
}

} // namespace

CNumEdit::CNumEdit(QWidget* parent) : QLineEdit(parent)
{
    setInputMethodHints(Qt::ImhDigitsOnly);
}

bool CNumEdit::acceptsKey(const QKeyEvent& event, bool locked)
{
    // Shortcuts first: some of them (Shift+Delete, Shift+Insert) look like
    // keys that are otherwise let through.
    if (isEditShortcut(event))
        return false;
    switch (event.key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
        // They change no text; the edit hands them on to its window.
        return true;
    case Qt::Key_Backspace:
    case Qt::Key_Delete:
        return !locked;
    default:
        break;
    }
    // Keys that type nothing (arrows, Home, End...) only move the caret.
    const QString text = event.text();
    if (text.isEmpty())
        return true;
    // Control shortcuts arrive with a letter or a control character as
    // their text; only plain digits pass.
    const bool plain = !(event.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
    return !locked && plain && text.size() == 1 && isDigit(text.front());
}

bool CNumEdit::acceptsCommit(const QString& text, bool locked)
{
    if (text.isEmpty())
        return true;
    return !locked && std::all_of(text.begin(), text.end(), isDigit);
}

void CNumEdit::keyPressEvent(QKeyEvent* event)
{
    if (acceptsKey(*event, locked_))
        QLineEdit::keyPressEvent(event);
    else
        event->accept();
}

void CNumEdit::inputMethodEvent(QInputMethodEvent* event)
{
    // An input method may type a whole text at once; it obeys the same rule.
    if (acceptsCommit(event->commitString(), locked_)) {
        QLineEdit::inputMethodEvent(event);
        return;
    }
    QInputMethodEvent withoutCommit(event->preeditString(), event->attributes());
    QLineEdit::inputMethodEvent(&withoutCommit);
}

} // namespace lorvena
