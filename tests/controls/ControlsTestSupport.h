#pragma once

// Helpers shared by the control tests.

#include <QColor>
#include <QPoint>
#include <qnamespace.h>

class QWidget;

namespace lorvena::testing_support {

// Shows a window and lets the window system expose it, so that mouse moves
// reach it. The pointer rests in its bottom-right corner.
void showWindow(QWidget& window);

// A click, or a double-click, delivered the way the window system delivers
// it: to the window, which hands it to the child under the pointer (masks
// included).
void clickAt(QWidget& window, QPoint position, Qt::KeyboardModifiers modifiers = {});
void doubleClickAt(QWidget& window, QPoint position);
void moveTo(QWidget& window, QPoint position);

// The colour a window shows at `position` of its own area.
QColor shownAt(QWidget& window, QPoint position);

} // namespace lorvena::testing_support
