#pragma once

#include "devsim/ModifySender.h"
#include "devsim/SearchSender.h"
#include "devsim/Simulator.h"

#include <cstdint>
#include <string>
#include <vector>

namespace lorvena::devsim {

enum class DevsimMode { Serve, PrintAddresses, SendSearch, SendModify, Help };

struct DevsimCommand {
    DevsimMode mode = DevsimMode::Serve;
    std::vector<std::string> deviceFiles;
    std::vector<std::string> onvifDeviceFiles;
    std::size_t generateCount = 0;
    std::uint32_t firstIp = 0;
    SimulatorOptions simulator;
    SearchProbe probe;  // --send-search, and where --send-modify sends
    ModifyProbe modify; // --send-modify
};

struct ParsedCommandLine {
    DevsimCommand command;
    std::string error; // empty on success
};

class CommandLine {
public:
    static ParsedCommandLine parse(const std::vector<std::string>& arguments);
    static const char* usage();
};

} // namespace lorvena::devsim
