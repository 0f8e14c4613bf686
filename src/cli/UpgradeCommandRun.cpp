#include "cli/UpgradeCommandRun.h"

#include "cli/ConsoleSession.h"
#include "cli/DeviceSelection.h"
#include "platform/TerminalText.h"

#include <chrono>
#include <iostream>

namespace lorvena {

namespace {

constexpr int exitFailed = 1;
constexpr int exitUsage = 2;
constexpr int exitNotListed = 3;
// Every route ends by itself well within this (the slowest gives up after
// ten minutes without progress); it only keeps a wedged run from lasting.
constexpr std::chrono::hours upgradeLimit {2};

} // namespace

int runUpgradeCommand(const UpgradeCommand& command)
{
    ConsoleSession session(command.search, false);
    RowChoice chosen = chooseRow(session.controller.table(), command.device, SelectionPurpose::Upgrade, 1);
    if (chosen.verdict == RowChoice::Verdict::NotListed) {
        std::cerr << printableText(chosen.problem) << '\n';
        return exitNotListed;
    }
    if (chosen.verdict == RowChoice::Verdict::Refused) {
        std::cerr << "lorvena-cli: " << printableText(chosen.problem) << '\n';
        return exitUsage;
    }
    MainController& controller = session.controller;
    controller.rowClicked(chosen.row, ClickKind::Plain);
    controller.upgradeTabClicked();
    session.view.writeUpgradePanel({command.file, command.userName, command.password});

    UpgradeFlow& flow = controller.upgradeFlow();
    int endingsBefore = flow.endings();
    controller.upgradePressed();
    session.loop.pumpUntil([&] { return flow.endings() != endingsBefore; }, upgradeLimit);
    return flow.endings() != endingsBefore && flow.lastSucceeded() ? 0 : exitFailed;
}

} // namespace lorvena
