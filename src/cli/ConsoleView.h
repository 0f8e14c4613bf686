#pragma once

#include "control/MainController.h"
#include "control/MainView.h"
#include "platform/MessageQueue.h"

#include <chrono>

namespace lorvena {

// The console's view of the main window: the device list is printed once at
// the end, so row updates need no drawing. The console loop plays the
// window's thread: it drains the posted messages into the controller.
class ConsoleView final : public MainView {
public:
    void tableCleared() override {}
    void rowAppended(std::size_t) override {}
};

// Hands every message posted within `duration` to the controller, then the
// ones still queued at the end (replies that arrived in time but were not
// handled yet).
void pumpMessages(MainController& controller, MessageQueue& queue, std::chrono::milliseconds duration);

} // namespace lorvena
