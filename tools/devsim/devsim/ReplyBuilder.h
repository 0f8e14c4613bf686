#pragma once

#include "devsim/SimulatedDevice.h"

#include <cstdint>
#include <string>
#include <vector>

namespace lorvena::devsim {

// Builds a device's three search replies byte for byte, the way the device
// firmware lays them out. The layout is kept here on its own, apart from the
// tool's parser, so that the simulator checks the parser rather than echoing
// it. Every text fills at most its whole field: a name of the field's full
// length leaves no terminating NUL, as real devices do.
class ReplyBuilder {
public:
    explicit ReplyBuilder(const SimulatedDevice& device);

    std::vector<std::uint8_t> build(Generation generation) const;

private:
    std::vector<std::uint8_t> oldMode() const;
    std::vector<std::uint8_t> basic() const;
    std::vector<std::uint8_t> extended() const;

    const SimulatedDevice& device_;
    // The texts as the device stores them (converted once).
    std::string kind_;
    std::string name_;
    std::string firmware_;
    std::string ip_;
    std::string mask_;
    std::string gateway_;
    std::string dns_;
    std::string macText_;
};

} // namespace lorvena::devsim
