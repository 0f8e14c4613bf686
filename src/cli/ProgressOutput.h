#pragma once

#include <ostream>

namespace lorvena {

// The upgrade bar on a console: on a terminal a bar redrawn in place, into a
// file or pipe a line each time the figure passes a new tenth.
class ProgressOutput {
public:
    ProgressOutput(std::ostream& out, bool terminal) : out_(out), terminal_(terminal) {}

    // A running bar at `percent` (0..100).
    void show(int percent);
    // The bar went idle or was reset: a drawn bar gets its line ended.
    void finish();

private:
    std::ostream& out_;
    const bool terminal_;
    bool drawing_ = false;
    int lastTenth_ = -1;
};

} // namespace lorvena
