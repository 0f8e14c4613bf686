#pragma once

#include "control/MainView.h"

#include <functional>
#include <map>
#include <optional>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace lorvena::testing_support {

// A scripted view: the form lives in `form` (the test types into it), and
// everything the controller asks for is recorded.
class FakeMainView : public MainView {
public:
    void tableCleared() override {}
    void rowAppended(std::size_t) override {}
    void tableReordered(int column, bool ascending) override { reorders.emplace_back(column, ascending); }
    void markRows(const std::vector<std::size_t>& rows) override { markedRows = rows; }
    void rowUpdated(std::size_t row) override { updatedRows.push_back(row); }

    FormValues readForm() override { return form; }
    void writeForm(const FormValues& values) override
    {
        form = values;
        ++formWrites;
    }

    void setVisible(ControlId id, bool shown) override { visible[id] = shown; }
    void setEnabled(ControlId id, bool on) override { enabled[id] = on; }
    void setText(ControlId id, std::string_view text) override { texts[id] = std::string(text); }
    void setSelected(ControlId id, bool on) override { selected[id] = on; }
    bool isChecked(ControlId id) override { return checked[id]; }
    void setLocked(ControlId id, bool on) override { locked[id] = on; }
    void setToolTip(ControlId id, std::string_view text) override { toolTips[id] = std::string(text); }
    void placeOver(ControlId moved, ControlId target) override { placements.emplace_back(moved, target); }
    void setWindowTitle(std::string_view title) override { windowTitle = std::string(title); }

    void setUpgradePanelVisible(bool shown) override { upgradePanelVisible = shown; }
    void clearUpgradePanelPassword() override { ++upgradePasswordClears; }
    void resetUpgradeProgress() override { ++progressResets; }
    UpgradeFields readUpgradePanel() override
    {
        std::lock_guard lock(mutex);
        return panel;
    }
    void writeUpgradePanel(const UpgradeFields& fields) override
    {
        std::lock_guard lock(mutex);
        panel = fields;
        ++panelWrites;
    }
    void showUpgradeBar(const UpgradeBar& bar) override
    {
        std::lock_guard lock(mutex);
        bars.push_back(bar);
    }
    std::optional<std::string> chooseUpgradeFile() override { return chosenFile; }
    void focusUpgradeUserName() override { ++upgradeUserFocus; }

    void showMessage(std::string_view text) override
    {
        std::lock_guard lock(mutex);
        messages.emplace_back(text);
    }
    bool askOkCancel(std::string_view text) override
    {
        std::lock_guard lock(mutex);
        questions.emplace_back(text);
        return answerOk;
    }
    void focusControl(ControlId id) override { focused.push_back(id); }
    void showNote(std::string_view text) override
    {
        std::lock_guard lock(mutex);
        notes.emplace_back(text);
    }
    int runBusyDialog(BusyPicture picture) override
    {
        busyPictures.push_back(picture);
        return onBusyDialog ? onBusyDialog() : 0;
    }
    void endBusyDialog(int result) override { busyEnds.push_back(result); }
    // The test plays the window's thread: work from a worker runs at once,
    // serialised by the lock.
    void runOnGuiThread(const std::function<void()>& work) override
    {
        std::lock_guard lock(guiMutex);
        work();
    }
    void openUrl(const std::string& url) override { openedUrls.push_back(url); }
    void endWindow(int result) override { endResults.push_back(result); }
    void postCloseRequest() override { ++closeRequests; }

    // Forgets everything recorded, as a fresh view.
    void reset()
    {
        form = {};
        formWrites = 0;
        visible.clear();
        enabled.clear();
        selected.clear();
        locked.clear();
        texts.clear();
        toolTips.clear();
        placements.clear();
        windowTitle.clear();
        markedRows.clear();
        reorders.clear();
        upgradePanelVisible = false;
        upgradePasswordClears = progressResets = closeRequests = 0;
        panel = {};
        panelWrites = upgradeUserFocus = 0;
        bars.clear();
        chosenFile.reset();
        messages.clear();
        questions.clear();
        notes.clear();
        openedUrls.clear();
        endResults.clear();
    }

    FormValues form;
    int formWrites = 0;
    std::map<ControlId, bool> visible, enabled, selected, locked;
    // Check boxes the test has ticked.
    std::map<ControlId, bool> checked;
    std::map<ControlId, std::string> texts, toolTips;
    std::vector<std::pair<ControlId, ControlId>> placements;
    std::string windowTitle;
    std::vector<std::size_t> markedRows;
    std::vector<std::size_t> updatedRows;
    std::vector<std::pair<int, bool>> reorders;
    bool upgradePanelVisible = false;
    int upgradePasswordClears = 0;
    int progressResets = 0;
    UpgradeFields panel;
    int panelWrites = 0;
    std::vector<UpgradeBar> bars;
    std::optional<std::string> chosenFile;
    int upgradeUserFocus = 0;
    std::recursive_mutex guiMutex;
    std::mutex mutex;
    std::vector<std::string> messages;
    std::vector<std::string> questions;
    std::vector<std::string> notes;
    bool answerOk = true;
    std::vector<ControlId> focused;
    std::vector<BusyPicture> busyPictures;
    std::vector<int> busyEnds;
    // What the busy dialog does while it "runs"; by default it returns at once.
    std::function<int()> onBusyDialog;
    std::vector<std::string> openedUrls;
    std::vector<int> endResults;
    int closeRequests = 0;
};

} // namespace lorvena::testing_support
