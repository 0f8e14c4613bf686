#pragma once

#include "net/CHttpRequest.h"
#include "net/TcpClient.h"

#include <chrono>

namespace lorvena {

// Every wait of an upgrade. The product uses the defaults; tests shorten them.
struct UpgradeTimings {
    TcpTimeouts tcp;
    HttpTimings http;
    // Between two progress queries.
    std::chrono::milliseconds pollInterval {1000};
    // The progress query gives up when the device's figure has not moved (or
    // no query was answered) for this long.
    std::chrono::milliseconds pollLimit {std::chrono::minutes(10)};
    // Before the first look at a restarting device, and again once the bar
    // has reached 98.
    std::chrono::milliseconds watchSettle {5000};
    // After each look of the watch loop.
    std::chrono::milliseconds watchPass {1000};
    // The longest a watch that waits for a device to go quiet goes on.
    std::chrono::milliseconds watchLimit {std::chrono::minutes(10)};
    // How long one echo waits for its reply.
    std::chrono::milliseconds echoTimeout {1000};
    // The bar stands at 100 this long before the panel is reset.
    std::chrono::milliseconds finalPause {1000};
};

} // namespace lorvena
