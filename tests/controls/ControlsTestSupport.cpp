#include "controls/ControlsTestSupport.h"

#include <QCoreApplication>
#include <QTest>
#include <QWidget>
#include <QWindow>

namespace lorvena::testing_support {

void showWindow(QWidget& window)
{
    window.show();
    QCoreApplication::processEvents();
    // The pointer starts in a corner no test aims at: a move to where the
    // pointer already is would be no move at all.
    moveTo(window, QPoint(window.width() - 1, window.height() - 1));
}

void clickAt(QWidget& window, QPoint position, Qt::KeyboardModifiers modifiers)
{
    QTest::mouseClick(window.windowHandle(), Qt::LeftButton, modifiers, position);
}

void doubleClickAt(QWidget& window, QPoint position)
{
    QTest::mouseDClick(window.windowHandle(), Qt::LeftButton, {}, position);
}

void moveTo(QWidget& window, QPoint position)
{
    QTest::mouseMove(window.windowHandle(), position);
}

QColor shownAt(QWidget& window, QPoint position)
{
    return window.grab().toImage().pixelColor(position);
}

} // namespace lorvena::testing_support
