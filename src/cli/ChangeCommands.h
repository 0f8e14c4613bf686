#pragma once

#include "cli/CliArguments.h"

namespace lorvena {

// `set` and `batch`: a search, then the clicks and the form an installer
// would use, then "Zmiana IP". Exit codes as the usage text says.
int runSetCommand(const SetCommand& command);
int runBatchCommand(const BatchCommand& command);

} // namespace lorvena
