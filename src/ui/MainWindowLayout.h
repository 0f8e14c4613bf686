#pragma once

#include "control/ControlId.h"

#include <span>

namespace lorvena {

enum class ControlKind {
    DeviceList,
    SkinButton,
    PushButton,
    IpAddress,
    CheckBox,
    Label,
    TitleLabel,
    DigitEdit,
    Edit,
    PasswordEdit,
    DropDown,
};

// One control of the main window: where it sits in dialog units, what it
// says before the window sets its texts, and whether it starts visible.
struct ControlSpec {
    ControlId id;
    ControlKind kind;
    const char* text;
    int x, y, width, height;
    bool visible;
};

std::span<const ControlSpec> mainWindowControls();

// The controls that use the window's own font.
std::span<const ControlId> controlsWithWindowFont();

} // namespace lorvena
