#pragma once

#include "cli/ConsoleLoop.h"
#include "control/MainView.h"
#include "cli/ProgressOutput.h"

#include <chrono>
#include <set>

namespace lorvena {

// The console's view of the main window. The device list is printed at the
// end and there are no controls: the form lives in memory, every message
// box is a line on standard output, the subnet question is answered by the
// --yes flag, and the busy dialog is the console loop running until the
// work behind it ends it.
class ConsoleView : public MainView {
public:
    explicit ConsoleView(ConsoleLoop& loop, bool answerYes = false);

    void tableCleared() override {}
    void rowAppended(std::size_t) override {}
    void tableReordered(int, bool) override {}
    void markRows(const std::vector<std::size_t>&) override {}
    // The verification lines are printed by the commands, from the results.
    void rowUpdated(std::size_t) override {}

    FormValues readForm() override { return form_; }
    void writeForm(const FormValues& values) override { form_ = values; }

    void setVisible(ControlId, bool) override {}
    void setEnabled(ControlId, bool) override {}
    void setText(ControlId, std::string_view) override {}
    void setSelected(ControlId, bool) override {}
    bool isChecked(ControlId id) override { return checked_.contains(id); }
    // Ticks a check box the user would have ticked (--onvif-mask).
    void setChecked(ControlId id, bool ticked);
    // The console has no Cancel button: a search's busy dialog whose end
    // never comes (the discovery did not start, say) is cancelled after this.
    void setSearchBusyLimit(std::chrono::milliseconds limit) { searchBusyLimit_ = limit; }
    void setLocked(ControlId, bool) override {}
    void setToolTip(ControlId, std::string_view) override {}
    void placeOver(ControlId, ControlId) override {}
    void setWindowTitle(std::string_view) override {}

    void setUpgradePanelVisible(bool) override {}
    void clearUpgradePanelPassword() override {}
    void resetUpgradeProgress() override {}
    UpgradeFields readUpgradePanel() override { return upgradePanel_; }
    void writeUpgradePanel(const UpgradeFields& fields) override { upgradePanel_ = fields; }
    void showUpgradeBar(const UpgradeBar& bar) override;
    std::optional<std::string> chooseUpgradeFile() override { return std::nullopt; }
    void focusUpgradeUserName() override {}

    void showMessage(std::string_view text) override;
    bool askOkCancel(std::string_view text) override;
    void focusControl(ControlId) override {}
    void showNote(std::string_view text) override;
    int runBusyDialog(BusyPicture picture) override;
    void endBusyDialog(int result) override;
    void runOnGuiThread(const std::function<void()>& work) override { loop_.runOnLoopThread(work); }
    void openUrl(const std::string& url) override;
    void endWindow(int) override {}
    void postCloseRequest() override {}

    // Every message shown so far, in order.
    const std::vector<std::string>& messages() const { return messages_; }

private:
    ConsoleLoop& loop_;
    bool answerYes_;
    FormValues form_;
    UpgradeFields upgradePanel_;
    ProgressOutput progress_;
    std::vector<std::string> messages_;
    std::set<ControlId> checked_;
    std::chrono::milliseconds searchBusyLimit_ {std::chrono::minutes(2)};
    bool busy_ = false;
    int busyResult_ = 0;
};

} // namespace lorvena
