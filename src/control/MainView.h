#pragma once

#include <cstddef>

namespace lorvena {

// What the controller asks of whatever shows the window: the Qt window, the
// console, or a test's scripted fake. The controller owns the state; a view
// only shows it and forwards what the user does.
class MainView {
public:
    virtual ~MainView() = default;

    // The device table was emptied (a new search started).
    virtual void tableCleared() = 0;
    // A row was appended to the device table at `row`.
    virtual void rowAppended(std::size_t row) = 0;
};

} // namespace lorvena
