#include "cli/UpgradeCommandRun.h"

#include "cli/ConsoleSession.h"

#include <chrono>

namespace lorvena {

namespace {

constexpr int exitFailed = 1;
constexpr int exitNotListed = 3;
// Every route ends by itself well within this (the slowest gives up after
// ten minutes without progress); it only keeps a wedged run from lasting.
constexpr std::chrono::hours upgradeLimit {2};

} // namespace

int runUpgradeCommand(const UpgradeCommand& command)
{
    ConsoleSession session(command.search, false);
    std::optional<int> row = session.rowOf(command.device);
    if (!row) {
        reportMissing(command.device);
        return exitNotListed;
    }
    MainController& controller = session.controller;
    controller.rowClicked(*row, ClickKind::Plain);
    controller.upgradeTabClicked();
    session.view.writeUpgradePanel({command.file, command.userName, command.password});

    UpgradeFlow& flow = controller.upgradeFlow();
    int endingsBefore = flow.endings();
    controller.upgradePressed();
    session.loop.pumpUntil([&] { return flow.endings() != endingsBefore; }, upgradeLimit);
    return flow.endings() != endingsBefore && flow.lastSucceeded() ? 0 : exitFailed;
}

} // namespace lorvena
