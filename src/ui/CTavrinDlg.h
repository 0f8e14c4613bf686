#pragma once

#include "control/MainView.h"
#include "ui/MainWindowLayout.h"

#include <QPixmap>
#include <QWidget>

#include <atomic>
#include <functional>
#include <map>
#include <optional>

class QCheckBox;
class QLineEdit;

namespace lorvena {

class CDlgBuffer;
class CDlgUpgrade;
class CIpAddressEdit;
class CNumEdit;
class CPngButton;
class CSortListCtrl;
class DeviceListMenu;
class MainController;

// The main window: a frameless 1047 x 579 window with the device list, the
// configuration form and the skin buttons. It only draws and forwards; the
// MainController decides everything.
class CTavrinDlg final : public QWidget, public MainView {
    Q_OBJECT

public:
    CTavrinDlg(const QString& skinDirectory, int searchMode, QWidget* parent = nullptr);
    ~CTavrinDlg() override;

    // Connects the controls to the controller; call once, before showing.
    void attach(MainController& controller);

    QWidget* control(ControlId id) const;
    CSortListCtrl* deviceList() const { return deviceList_; }
    // The list's context menu; exists once attach() has run.
    DeviceListMenu* deviceListMenu() const { return deviceListMenu_; }
    CDlgBuffer* busyDialog() const { return busyDialog_; }
    CDlgUpgrade* upgradePanel() const { return upgradePanel_; }
    // The result the window ended with: 1 close button, 2 cancel, 0 open.
    int result() const { return result_; }
    // The event loop has ended: work handed over by workers no longer runs.
    void markClosing() { closing_ = true; }

    // How web pages are opened; tests replace it.
    void setUrlOpener(std::function<void(const QString&)> opener) { urlOpener_ = std::move(opener); }
    // How modal messages are shown; tests replace it.
    void setMessageSink(std::function<void(const QString&)> sink) { messageSink_ = std::move(sink); }
    // How the OK/Cancel question is asked; tests replace it.
    void setQuestionSink(std::function<bool(const QString&)> sink) { questionSink_ = std::move(sink); }

    // --- MainView
    void tableCleared() override;
    void rowAppended(std::size_t row) override;
    void tableReordered(int sortColumn, bool ascending) override;
    void markRows(const std::vector<std::size_t>& rows) override;
    void rowUpdated(std::size_t row) override;
    void rowConflict(std::size_t row, std::string_view note) override;
    FormValues readForm() override;
    void writeForm(const FormValues& values) override;
    void setVisible(ControlId id, bool visible) override;
    void setEnabled(ControlId id, bool enabled) override;
    void setText(ControlId id, std::string_view text) override;
    void setSelected(ControlId id, bool selected) override;
    void setLocked(ControlId id, bool locked) override;
    void setToolTip(ControlId id, std::string_view text) override;
    void placeOver(ControlId moved, ControlId target) override;
    void setWindowTitle(std::string_view title) override;
    bool isChecked(ControlId id) override;
    void setUpgradePanelVisible(bool visible) override;
    void clearUpgradePanelPassword() override;
    void resetUpgradeProgress() override;
    UpgradeFields readUpgradePanel() override;
    void writeUpgradePanel(const UpgradeFields& fields) override;
    void showUpgradeBar(const UpgradeBar& bar) override;
    std::optional<std::string> chooseUpgradeFile() override;
    void focusUpgradeUserName() override;
    void showMessage(std::string_view text) override;
    bool askOkCancel(std::string_view text) override;
    void focusControl(ControlId id) override;
    void showNote(std::string_view text) override;
    int runBusyDialog(BusyPicture picture) override;
    void endBusyDialog(int result) override;
    void runOnGuiThread(const std::function<void()>& work) override;
    void openUrl(const std::string& url) override;
    void endWindow(int result) override;
    void postCloseRequest() override;

    // The top band of the window, where a press starts a window drag.
    static constexpr int dragBandHeight = 78;
    static bool startsDrag(qreal y) { return y < dragBandHeight; }

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void createControls(const QString& skinDirectory);
    void createControl(const ControlSpec& spec, const QString& skinDirectory);
    void giveSkinImages(const QString& skinDirectory);
    void connectControls();
    CIpAddressEdit* ipEdit(ControlId id) const;
    QLineEdit* lineEdit(ControlId id) const;

    int searchMode_;
    MainController* controller_ = nullptr;
    // A drag the window follows itself: the mouse's place on the window
    // when the press came (empty when there is no such drag).
    std::optional<QPoint> dragGrip_;
    std::map<ControlId, QWidget*> controls_;
    CSortListCtrl* deviceList_ = nullptr;
    DeviceListMenu* deviceListMenu_ = nullptr;
    QCheckBox* dhcpCheck_ = nullptr;
    CDlgUpgrade* upgradePanel_ = nullptr;
    CDlgBuffer* busyDialog_ = nullptr;
    QPixmap background_;
    // The screen scale the background was loaded for (0: not yet).
    qreal backgroundRatio_ = 0;
    bool writingForm_ = false;
    bool ending_ = false;
    int result_ = 0;
    std::function<void(const QString&)> urlOpener_;
    std::function<void(const QString&)> messageSink_;
    std::function<bool(const QString&)> questionSink_;
    // Set once the window ends: work handed over by workers no longer runs.
    std::atomic<bool> closing_ {false};
};

} // namespace lorvena
