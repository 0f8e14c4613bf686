#pragma once

namespace lorvena {

// The ONVIF leg of a new-generation search: starts the discovery and waits
// for its end or a cancel before the search command returns.
class OnvifSearch {
public:
    virtual ~OnvifSearch() = default;
    virtual void runAndWait() = 0;
};

} // namespace lorvena
