#pragma once

#include <QStringList>

namespace lorvena {

// The life of the process: settings, the main window and its controller,
// the soft-close channel, and the order in which they are taken down.
class CTavrinApp {
public:
    // `arguments` without the program name.
    static bool isSoftStart(const QStringList& arguments);

    int run();
};

} // namespace lorvena
