#pragma once

class QWidget;

namespace lorvena {

// Labels, check boxes and push buttons stand on the window's pale artwork,
// not on the desktop's window colour: they keep black text on the field's
// grey (248, 248, 248) whatever the desktop's theme, as the upgrade panel's
// labels do. Left to a dark theme they would draw light text on the pale
// picture. Edits and the list keep the theme's own pairs of text and
// background colour, which read on any theme.
void useArtworkColours(QWidget* control);

} // namespace lorvena
