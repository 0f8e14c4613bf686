#pragma once

#include "devsim/SimulatedDevice.h"

#include <string>
#include <string_view>
#include <vector>

namespace lorvena::devsim {

struct DeviceFileResult {
    std::vector<SimulatedDevice> devices;
    std::string error; // empty on success
    bool ok() const { return error.empty(); }
};

// Reads the JSON device file described in tools/devsim/README.md. Unknown
// keys are errors: a misspelt field silently taking its default would make
// a test check something other than it says.
class DeviceFile {
public:
    static DeviceFileResult load(const std::string& path);
    static DeviceFileResult parse(std::string_view jsonText);
};

} // namespace lorvena::devsim
