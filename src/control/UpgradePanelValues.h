#pragma once

#include <string>

namespace lorvena {

// The upgrade panel's three edits, exchanged all at once like the form:
// package path (1028), user name (1030) and password (1031).
struct UpgradeFields {
    std::string path;
    std::string userName = "admin";
    std::string password;

    bool operator==(const UpgradeFields&) const = default;
};

// What the panel's progress bar (1029) shows, range 0..100 throughout.
struct UpgradeBar {
    // Running: green-to-blue bands with the percentage. Idle: pale bands,
    // no text.
    bool running = false;
    int position = 99;

    static UpgradeBar idle() { return {false, 99}; }
    static UpgradeBar runningAt(int value) { return {true, value}; }
    bool operator==(const UpgradeBar&) const = default;
};

// The file dialog's filter, as "label|patterns|label|patterns|...||".
inline constexpr const char* upgradeFileFilter =
    "所有文件 (*.*)|*.*|图片 (*.gif;*.jpg)|*.gif;*.jpg|HTML (*.HTM;*.HTML)|*.HTM;*.HTML|"
    "PACKAGE (*.package)|*.package|FLS (*.FLS)|*.FLS||";

} // namespace lorvena
