#include "ui/DeviceListMenu.h"

#include "control/MainController.h"
#include "controls/CSortListCtrl.h"
#include "discovery/DeviceTableText.h"
#include "platform/TerminalText.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenu>
#include <QSaveFile>
#include <QSettings>
#include <QStandardPaths>
#include <QToolTip>

namespace lorvena {

const QString DeviceListMenu::copyRowText = QStringLiteral("Kopiuj wiersz");
const QString DeviceListMenu::copyIpText = QStringLiteral("Kopiuj adres IP");
const QString DeviceListMenu::copyMacText = QStringLiteral("Kopiuj adres MAC");
const QString DeviceListMenu::openPageText = QStringLiteral("Otwórz stronę urządzenia");
const QString DeviceListMenu::exportText = QStringLiteral("Eksportuj listę...");
const QString DeviceListMenu::exportFailedText = QStringLiteral("Nie udało się zapisać listy w pliku ");

namespace {

// The folder of the last export, in the program's Qt settings.
const QString exportFolderKey = QStringLiteral("Export/folder");

void copyToClipboard(const std::string& text)
{
    QGuiApplication::clipboard()->setText(QString::fromStdString(text));
}

QString askForFile(QWidget* parent, const QString& suggested)
{
    QFileDialog dialog(parent, QStringLiteral("Eksportuj listę"), suggested,
        QStringLiteral("Pliki CSV (*.csv);;Wszystkie pliki (*)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("csv"));
    dialog.selectFile(suggested);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

} // namespace

DeviceListMenu::DeviceListMenu(CSortListCtrl& list, MainController& controller, MainView& view)
    : QObject(&list), list_(list), controller_(controller), view_(view), menu_(new QMenu(&list))
{
    copyRow_ = menu_->addAction(copyRowText, this, [this] {
        if (row_ >= 0 && static_cast<std::size_t>(row_) < controller_.table().rowCount())
            copyToClipboard(tabSeparatedRow(controller_.table(), static_cast<std::size_t>(row_)));
    });
    copyIp_ = menu_->addAction(copyIpText, this, [this] { copyCell(DeviceField::Ip); });
    copyMac_ = menu_->addAction(copyMacText, this, [this] { copyCell(DeviceField::Mac); });
    // The same way as a double-click, so the address is built in one place.
    openPage_ = menu_->addAction(openPageText, this, [this] { controller_.rowDoubleClicked(row_); });
    menu_->addSeparator();
    menu_->addAction(exportText, this, &DeviceListMenu::exportList);

    fileChooser_ = [this](const QString& suggested) { return askForFile(list_.window(), suggested); };
    std::error_code error;
    if (std::filesystem::exists(debianOuiFile, error))
        setOuiFile(debianOuiFile);
    list_.installEventFilter(this);
    list_.viewport()->installEventFilter(this);
}

void DeviceListMenu::popup(int row, const QPoint& globalPos)
{
    if (row >= static_cast<int>(controller_.table().rowCount()))
        row = -1;
    row_ = row;
    for (QAction* rowAction : {copyRow_, copyIp_, copyMac_, openPage_})
        rowAction->setEnabled(row >= 0);
    menu_->popup(globalPos);
}

void DeviceListMenu::copyCell(DeviceField field)
{
    const DeviceTable& table = controller_.table();
    if (row_ < 0 || static_cast<std::size_t>(row_) >= table.rowCount())
        return;
    copyToClipboard(printableText(table.row(static_cast<std::size_t>(row_)).field(field)));
}

QString DeviceListMenu::suggestedPath() const
{
    QString folder = QSettings().value(exportFolderKey).toString();
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = QDir::homePath();
    return QDir(folder).filePath(QStringLiteral("urządzenia.csv"));
}

void DeviceListMenu::exportList()
{
    const QString path = fileChooser_(suggestedPath());
    if (path.isEmpty())
        return;
    const std::string text = std::string(utf8ByteOrderMark) + formatCsv(controller_.table());
    // Written beside the target and renamed over it at commit: a failure
    // half-way leaves an earlier export whole.
    QSaveFile file(path);
    const bool written = file.open(QIODevice::WriteOnly)
        && file.write(text.data(), static_cast<qint64>(text.size())) == static_cast<qint64>(text.size())
        && file.commit();
    if (!written) {
        const QString message = exportFailedText + QDir::toNativeSeparators(path) + QStringLiteral("\n")
            + file.errorString();
        view_.showMessage(message.toStdString());
        return;
    }
    QSettings().setValue(exportFolderKey, QFileInfo(path).absolutePath());
}

void DeviceListMenu::setOuiFile(const std::filesystem::path& file)
{
    // A few megabytes to read and index: not on the window's thread.
    makers_ = std::async(std::launch::async, [file] { return OuiList::read(file); }).share();
}

QString DeviceListMenu::makerAt(const QPoint& viewportPos) const
{
    const DeviceTable& table = controller_.table();
    const int row = list_.rowAt(viewportPos.y());
    if (row < 0 || static_cast<std::size_t>(row) >= table.rowCount()
        || list_.columnAt(viewportPos.x()) != columnOf(table.layout(), DeviceField::Mac))
        return {};
    // Until the list is read, the cell shows no maker.
    if (!makers_.valid() || makers_.wait_for(std::chrono::seconds(0)) != std::future_status::ready)
        return {};
    return QString::fromStdString(printableText(makers_.get().makerOf(table.row(static_cast<std::size_t>(row)).mac)));
}

bool DeviceListMenu::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::ToolTip: {
        if (watched != list_.viewport())
            break;
        auto* help = static_cast<QHelpEvent*>(event);
        QString tip = makerAt(help->pos());
        if (tip.isEmpty())
            break;
        // The cell's own tip (a changed device's mark) is kept below.
        if (const QString own = list_.indexAt(help->pos()).data(Qt::ToolTipRole).toString(); !own.isEmpty())
            tip += QStringLiteral("\n") + own;
        QToolTip::showText(help->globalPos(), tip, list_.viewport());
        return true;
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
        // The table would move its highlight to the pressed row, away from
        // the row the form shows.
        if (watched == list_.viewport() && static_cast<QMouseEvent*>(event)->button() == Qt::RightButton)
            return true;
        break;
    case QEvent::ContextMenu: {
        auto* request = static_cast<QContextMenuEvent*>(event);
        if (request->reason() == QContextMenuEvent::Mouse) {
            // Over the header or a scroll bar: not a row's menu.
            if (watched != list_.viewport())
                break;
            popup(list_.rowAt(request->pos().y()), request->globalPos());
            return true;
        }
        const int row = list_.currentIndex().row();
        const QPoint at = row >= 0 ? list_.visualRect(list_.model()->index(row, 0)).bottomLeft() : QPoint(0, 0);
        popup(row, list_.viewport()->mapToGlobal(at));
        return true;
    }
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace lorvena
