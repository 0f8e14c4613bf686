#pragma once

#include "control/MainController.h"
#include "control/MainView.h"
#include "platform/MessageQueue.h"

#include <chrono>

namespace lorvena {

// The console's view of the main window. The device list is printed once at
// the end, and there are no controls to show: the form is kept in memory and
// messages go to standard error. The console loop plays the window's thread.
class ConsoleView : public MainView {
public:
    void tableCleared() override {}
    void rowAppended(std::size_t) override {}
    void tableReordered(int, bool) override {}
    void markRows(const std::vector<std::size_t>&) override {}

    FormValues readForm() override { return form_; }
    void writeForm(const FormValues& values) override { form_ = values; }

    void setVisible(ControlId, bool) override {}
    void setEnabled(ControlId, bool) override {}
    void setText(ControlId, std::string_view) override {}
    void setSelected(ControlId, bool) override {}
    void setLocked(ControlId, bool) override {}
    void setToolTip(ControlId, std::string_view) override {}
    void placeOver(ControlId, ControlId) override {}
    void setWindowTitle(std::string_view) override {}

    void setUpgradePanelVisible(bool) override {}
    void clearUpgradePanelPassword() override {}
    void resetUpgradeProgress() override {}

    void showMessage(std::string_view text) override;
    void openUrl(const std::string& url) override;
    void endWindow(int) override {}
    void postCloseRequest() override {}

private:
    FormValues form_;
};

// Hands every message posted within `duration` to the controller, then the
// ones still queued at the end (replies that arrived in time but were not
// handled yet).
void pumpMessages(MainController& controller, MessageQueue& queue, std::chrono::milliseconds duration);

} // namespace lorvena
