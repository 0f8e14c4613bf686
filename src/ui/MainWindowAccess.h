#pragma once

#include "control/ControlId.h"

#include <map>

class QLabel;
class QWidget;

namespace lorvena {

class CDlgUpgrade;

// How the main window is used without a mouse and read by assistive
// technology: the order Tab goes through the controls, and the name each
// control is read by.
//
// Tab follows the window as it is read: the list and its search button,
// the tabs, the form from top to bottom, "Zmiana IP" (or the upgrade
// panel's fields in its place), then the buttons of the title band. Hidden
// controls are passed over.
void setMainWindowTabOrder(const std::map<ControlId, QWidget*>& controls, CDlgUpgrade* panel);

// Each label names the control it stands by, so a field is read by its
// label's text ("Adres IP") and not by its kind; the skin buttons, whose
// captions are pictures, are named by what the picture says or does.
void nameMainWindowControls(const std::map<ControlId, QWidget*>& controls);

// A label's text was set: the names that do not follow it by themselves
// (check boxes, the octets of an address) are given it again.
void labelTextChanged(QLabel* label);

} // namespace lorvena
