#pragma once

#include "cli/CliArguments.h"
#include "cli/ConsoleLoop.h"
#include "cli/ConsoleOnvifLibrary.h"
#include "cli/ConsoleView.h"
#include "control/MainController.h"
#include "platform/MessageQueue.h"

#include <cstdint>
#include <optional>

namespace lorvena {

// One console session: the controller with its loop and view, after a
// search (in the new mode including the ONVIF discovery).
struct ConsoleSession {
    // `verifyWait`: how long a changed device is looked for at its new
    // settings (zero: not looked for).
    ConsoleSession(const SearchCommand& search, bool answerYes,
        std::chrono::milliseconds verifyWait = std::chrono::milliseconds(0));
    ~ConsoleSession();

    // The row listing `address`, if any.
    std::optional<int> rowOf(std::uint32_t address) const;

    MessageQueue queue;
    ConsoleLoop loop;
    ConsoleView view;
    ConsoleOnvifLibrary onvif;
    MainController controller;
};

void reportMissing(std::uint32_t address);

} // namespace lorvena
