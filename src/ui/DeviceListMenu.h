#pragma once

#include "discovery/DeviceRecord.h"
#include "discovery/OuiList.h"

#include <QObject>
#include <QPoint>
#include <QString>

#include <filesystem>
#include <functional>
#include <future>

class QAction;
class QMenu;
class QWidget;

namespace lorvena {

class CSortListCtrl;
class MainController;
class MainView;

// The device list's context menu (right button, or the Menu key for the
// current row): copy the row, its IP address or its MAC, open the device's
// web page as a double-click does, export the whole list to CSV. It acts on
// the row it was opened on and leaves the list's selection alone: which row
// the form shows is decided by left clicks only. It also names the maker of
// a MAC in the MAC cell's tooltip when the IEEE's prefix list is installed.
class DeviceListMenu final : public QObject {
    Q_OBJECT

public:
    DeviceListMenu(CSortListCtrl& list, MainController& controller, MainView& view);

    // The menu's texts, also how tests find its actions.
    static const QString copyRowText;
    static const QString copyIpText;
    static const QString copyMacText;
    static const QString openPageText;
    static const QString exportText;
    // Said when the export could not be written; the path and the reason
    // follow.
    static const QString exportFailedText;

    // Opens the menu for `row` (-1: no row, only the export) at `globalPos`.
    void popup(int row, const QPoint& globalPos);
    QMenu* menu() const { return menu_; }

    // Asks where to save the list, starting in `suggested` (a full path);
    // empty: cancelled. The program uses a save-file dialog; tests replace it.
    using FileChooser = std::function<QString(const QString& suggested)>;
    void setFileChooser(FileChooser chooser) { fileChooser_ = std::move(chooser); }

    // The export: the list as shown (its columns, its order) as CSV with a
    // UTF-8 byte-order mark, written whole or not at all. The folder chosen
    // is remembered for the next export.
    void exportList();

    // Where the MAC prefixes' makers are read from (debianOuiFile when it
    // exists; tests give a small file). Read on a worker thread.
    void setOuiFile(const std::filesystem::path& file);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void copyCell(DeviceField field);
    QString suggestedPath() const;
    // The maker of the MAC in the cell at `viewportPos`, if it is a MAC cell
    // and the list knows it.
    QString makerAt(const QPoint& viewportPos) const;

    CSortListCtrl& list_;
    MainController& controller_;
    MainView& view_;
    QMenu* menu_;
    QAction* copyRow_;
    QAction* copyIp_;
    QAction* copyMac_;
    QAction* openPage_;
    int row_ = -1;
    FileChooser fileChooser_;
    std::shared_future<OuiList> makers_;
};

} // namespace lorvena
