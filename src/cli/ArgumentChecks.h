#pragma once

#include "cli/CliArguments.h"

#include <optional>

namespace lorvena {

// The checks of a command that need more than its arguments (the search
// mode, a local file) but no network: they run before the search, so that a
// usage error sends nothing at all.

// The mode a command searches in: --mode, else the one stored in Account.ini.
int chosenSearchMode(const SearchCommand& search);

// Options for which the chosen generation's form has no field. `searchMode`
// is the mode chosen; the command's own --mode, if any, is named in the
// message.
std::optional<UsageError> checkBeforeSearch(const SetCommand& command, int searchMode);
std::optional<UsageError> checkBeforeSearch(const BatchCommand& command, int searchMode);
// The package is a regular file that can be read.
std::optional<UsageError> checkBeforeSearch(const UpgradeCommand& command);

} // namespace lorvena
