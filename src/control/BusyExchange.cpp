#include "control/BusyExchange.h"

#include "control/BusyDialog.h"

namespace lorvena {

BusyExchange::BusyExchange(MainView& view, WindowState& state, MessagePoster& poster)
    : view_(view), state_(state), poster_(poster)
{
}

BusyExchange::~BusyExchange()
{
    shutdown();
}

bool BusyExchange::runWhileBusy(std::function<void()> exchange)
{
    reapExchanges();
    const std::uintptr_t number = ++exchangeNumber_;
    auto ended = std::make_shared<std::atomic<bool>>(false);
    exchangeShown_ = number;
    // The end travels as a posted message: a worker that waited for the
    // window's thread could wait forever for a thread that waits to join it.
    std::thread worker([this, number, ended, exchange = std::move(exchange)] {
        exchange();
        poster_.post({MessageId::DeviceExchangeDone, number, 0, {}});
        *ended = true;
    });
    const int closedWith = showBusyDialog(view_, state_, MainView::BusyPicture::Changing);
    exchangeShown_ = 0;
    if (closedWith == MainView::busyCancelled) {
        // Cancel gives the window back at once. The exchange ends on its own
        // (its waits bound it) and its result is dropped; the thread is
        // joined once it has ended, or at shutdown.
        exchanges_.push_back({std::move(worker), std::move(ended)});
        return false;
    }
    // Closed by the exchange's end: the worker is done or about to be.
    worker.join();
    return true;
}

void BusyExchange::reapExchanges()
{
    std::erase_if(exchanges_, [](Exchange& exchange) {
        if (!*exchange.ended)
            return false;
        exchange.thread.join();
        return true;
    });
}

void BusyExchange::exchangeDone(std::uintptr_t exchange)
{
    // Only the dialog of that exchange; a late end (after Cancel) is ignored.
    if (exchange != 0 && exchange == exchangeShown_)
        view_.endBusyDialog(MainView::busyEnded);
}

void BusyExchange::shutdown()
{
    for (Exchange& exchange : exchanges_)
        exchange.thread.join();
    exchanges_.clear();
}

} // namespace lorvena
