#pragma once

#include "cli/CliArguments.h"

namespace lorvena {

// `upgrade`: a search, a click on the device, the Upgrade tab filled and
// pressed, then the route followed to its end.
int runUpgradeCommand(const UpgradeCommand& command);

} // namespace lorvena
