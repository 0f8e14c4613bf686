#pragma once

#include "control/MainView.h"
#include "control/WindowState.h"
#include "platform/WindowMessage.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

namespace lorvena {

// Runs a blocking exchange with a device (a credential check, the extended
// exchange) on a thread of its own while the busy dialog keeps the window
// painting. Used on the window's thread only.
class BusyExchange {
public:
    // `poster` carries an exchange's end back to the window's thread.
    BusyExchange(MainView& view, WindowState& state, MessagePoster& poster);
    ~BusyExchange();
    BusyExchange(const BusyExchange&) = delete;
    BusyExchange& operator=(const BusyExchange&) = delete;

    // The exchange's result, or nothing after Cancel, which returns at once:
    // the exchange is bounded by its own waits, ends on its own and its
    // result is dropped.
    template<typename Result>
    std::optional<Result> run(std::function<Result()> exchange)
    {
        // The thread owns what it works with: after a Cancel it outlives this call.
        auto result = std::make_shared<std::optional<Result>>();
        if (!runWhileBusy([result, exchange = std::move(exchange)] { *result = exchange(); }))
            return std::nullopt;
        return *result;
    }

    // MessageId::DeviceExchangeDone: closes the busy dialog of that exchange.
    void exchangeDone(std::uintptr_t exchange);
    // Waits for every exchange left running by a Cancel.
    void shutdown();

private:
    // False when the dialog was cancelled.
    bool runWhileBusy(std::function<void()> exchange);
    // Joins the exchange threads left by a Cancel that have ended since.
    void reapExchanges();

    MainView& view_;
    WindowState& state_;
    MessagePoster& poster_;
    std::uintptr_t exchangeNumber_ = 0;
    // The exchange whose dialog is up (0: none of ours).
    std::atomic<std::uintptr_t> exchangeShown_ {0};
    // Exchanges left running by a Cancel.
    struct Exchange {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> ended;
    };
    std::vector<Exchange> exchanges_;
};

} // namespace lorvena
