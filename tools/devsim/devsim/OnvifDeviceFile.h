#pragma once

#include "onvif/OnvifDeviceConfig.h"

#include <string>
#include <string_view>
#include <vector>

namespace lorvena::devsim {

struct OnvifDeviceFileResult {
    std::vector<onvif::OnvifDeviceConfig> devices;
    std::string error; // empty on success
    bool ok() const { return error.empty(); }
};

// Reads the JSON file of simulated ONVIF devices (`--onvif-devices`,
// described in tools/devsim/README.md). Unknown keys are errors, as in the
// UDP device file.
class OnvifDeviceFile {
public:
    static OnvifDeviceFileResult load(const std::string& path);
    static OnvifDeviceFileResult parse(std::string_view jsonText);
};

} // namespace lorvena::devsim
