#pragma once

#include "platform/UniqueFd.h"

#include <cstdint>
#include <string>

namespace lorvena {

// The upload announces a package's length in a 32-bit field: anything
// longer cannot be described to the device.
inline constexpr std::uint64_t largestPackageBytes = 0xFFFFFFFFull;

enum class PackageProblem {
    None,
    CannotOpen,
    // A folder, a FIFO, a device node: nothing a device can be given.
    NotAFile,
    Empty,
    TooLarge,
};

struct OpenedPackage {
    UniqueFd file;
    std::uint64_t length = 0;
    PackageProblem problem = PackageProblem::None;
};

// Opens a firmware package for reading. Never blocks: a FIFO or a device
// node in the package's place would otherwise hold the caller (the window's
// thread, for the Upgrade command's checks) until someone writes to it. The
// file is handed back for every problem but CannotOpen and NotAFile, so a
// caller that accepts an empty file can still use it.
OpenedPackage OpenPackage(const std::string& path);

} // namespace lorvena
