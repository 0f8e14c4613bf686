#include "ui/CTavrinDlg.h"

#include "control/MainController.h"
#include "controls/CColorStatic.h"
#include "controls/CDlgBuffer.h"
#include "controls/CIpAddressEdit.h"
#include "controls/CNumEdit.h"
#include "controls/CPngButton.h"
#include "controls/CSortListCtrl.h"
#include "controls/CTintedRowDelegate.h"
#include "controls/ScaledPicture.h"
#include "platform/DebugTrace.h"
#include "ui/ArtworkColours.h"
#include "ui/CDlgUpgrade.h"
#include "ui/DeviceListColumns.h"
#include "ui/DeviceListMenu.h"
#include "ui/DialogUnits.h"
#include "ui/MainWindowAccess.h"
#include "ui/QtMessagePoster.h"
#include "ui/WindowFont.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QShortcut>
#include <QUrl>
#include <QThread>
#include <QWindow>

#include <future>

namespace lorvena {

namespace {

using enum ControlId;

RowMark rowMark(RowCheck check)
{
    switch (check) {
    case RowCheck::Confirmed:
        return RowMark::Confirmed;
    case RowCheck::NotSeen:
        return RowMark::NotSeen;
    case RowCheck::None:
        break;
    }
    return RowMark::None;
}

QString qt(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string utf8(const QString& text)
{
    return text.toUtf8().toStdString();
}

// The skin image of every skin button.
const std::map<ControlId, const char*>& skinImages()
{
    static const std::map<ControlId, const char*> images {
        {ControlId::ModeSwitch, "new_old.png"},
        {OldModifyTab, "modify_old.png"},
        {ModifyTab, "Tip.png"},
        {UpgradeTab, "Tip1.png"},
        {ApplyChanges, "modify.png"},
        {Search, "search.png"},
        {Close, "close.png"},
        {Minimise, "minimize.png"},
    };
    return images;
}

// Sets a line edit's text only when it differs, so an edit being typed in
// keeps its caret.
void setIfDifferent(QLineEdit* edit, const std::string& text)
{
    QString value = QString::fromStdString(text);
    if (edit->text() != value)
        edit->setText(value);
}

} // namespace

CTavrinDlg::CTavrinDlg(const QString& skinDirectory, int searchMode, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint)
    , searchMode_(searchMode)
{
    setFixedSize(mainWindowUnits.widthPixels, mainWindowUnits.heightPixels);
    setWindowIcon(QIcon(QStringLiteral(":/artwork/lorvena.png")));
    QFont windowFont(QStringLiteral("DejaVu Sans"));
    windowFont.setPixelSize(12);
    setFont(windowFont);
    createControls(skinDirectory);

    upgradePanel_ = new CDlgUpgrade(skinDirectory, this);
    upgradePanel_->hide();
    QRect modifyTab = controls_.at(ModifyTab)->geometry();
    upgradePanel_->setGeometry(
        modifyTab.left(), modifyTab.bottom() + 1, CDlgUpgrade::widthPixels, CDlgUpgrade::heightPixels);
    setMainWindowTabOrder(controls_, upgradePanel_);
    nameMainWindowControls(controls_);

    busyDialog_ = new CDlgBuffer(skinDirectory, this);
    urlOpener_ = [](const QString& url) { QDesktopServices::openUrl(QUrl(url)); };
    // Message boxes are captioned with the program's file name.
    messageSink_ = [this](const QString& text) {
        QMessageBox box(QMessageBox::NoIcon, QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName(),
            text, QMessageBox::Ok, this);
        box.setWindowModality(Qt::ApplicationModal);
        box.exec();
    };
    questionSink_ = [this](const QString& text) {
        QMessageBox box(QMessageBox::Warning, QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName(),
            text, QMessageBox::Ok | QMessageBox::Cancel, this);
        box.setWindowModality(Qt::ApplicationModal);
        return box.exec() == QMessageBox::Ok;
    };
}

CTavrinDlg::~CTavrinDlg() = default;

void CTavrinDlg::createControls(const QString& skinDirectory)
{
    for (const ControlSpec& spec : mainWindowControls())
        createControl(spec, skinDirectory);
    const QFont textFont = windowTextFont();
    for (ControlId id : controlsWithWindowFont())
        controls_.at(id)->setFont(textFont);
    giveSkinImages(skinDirectory);
    deviceList_->setItemDelegate(new CTintedRowDelegate(deviceList_));
    deviceList_->setColumns(listColumnsOf(searchMode_ == 0 ? TableLayout::OldMode : TableLayout::NewMode));

    auto* dropDown = static_cast<QComboBox*>(controls_.at(ModeDropDown));
    dropDown->addItems({QStringLiteral("Old"), QStringLiteral("New")});
    dropDown->setCurrentIndex(searchMode_ == 0 ? 0 : 1);
}

void CTavrinDlg::createControl(const ControlSpec& spec, const QString&)
{
    QWidget* widget = nullptr;
    QString text = QString::fromUtf8(spec.text);
    switch (spec.kind) {
    case ControlKind::DeviceList:
        widget = deviceList_ = new CSortListCtrl(static_cast<int>(spec.id), this);
        break;
    case ControlKind::SkinButton: {
        auto* button = new CPngButton(this);
        button->setText(text);
        widget = button;
        break;
    }
    case ControlKind::PushButton:
        widget = new QPushButton(text, this);
        break;
    case ControlKind::IpAddress:
        widget = new CIpAddressEdit(this);
        break;
    case ControlKind::CheckBox: {
        auto* check = new QCheckBox(this);
        if (spec.id == Dhcp)
            dhcpCheck_ = check;
        widget = check;
        break;
    }
    case ControlKind::Label:
        widget = new QLabel(text, this);
        break;
    case ControlKind::TitleLabel:
        widget = new CColorStatic(this);
        break;
    case ControlKind::DigitEdit:
        widget = new CNumEdit(this);
        break;
    case ControlKind::Edit:
        widget = new QLineEdit(this);
        break;
    case ControlKind::PasswordEdit: {
        auto* edit = new QLineEdit(this);
        edit->setEchoMode(QLineEdit::Password);
        widget = edit;
        break;
    }
    case ControlKind::DropDown:
        widget = new QComboBox(this);
        break;
    }
    QRect place = mainWindowUnits.toPixels(spec.x, spec.y, spec.width, spec.height);
    // Edits and IP fields need room for their text: centre them on their row
    // when the unit rectangle is shorter than a comfortable line.
    if (spec.kind == ControlKind::IpAddress || spec.kind == ControlKind::DigitEdit || spec.kind == ControlKind::Edit ||
        spec.kind == ControlKind::PasswordEdit) {
        int height = std::max(place.height(), 22);
        place.adjust(0, (place.height() - height) / 2, 0, (place.height() - height) / 2 + height - place.height());
    }
    if (spec.kind == ControlKind::Label || spec.kind == ControlKind::CheckBox || spec.kind == ControlKind::PushButton)
        useArtworkColours(widget);
    widget->setGeometry(place);
    widget->setVisible(spec.visible);
    widget->setObjectName(QStringLiteral("control%1").arg(static_cast<int>(spec.id)));
    controls_[spec.id] = widget;
}

void CTavrinDlg::giveSkinImages(const QString& skinDirectory)
{
    for (const auto& [id, file] : skinImages())
        static_cast<CPngButton*>(controls_.at(id))->setImage(skinDirectory + QString::fromUtf8(file));
}

void CTavrinDlg::attach(MainController& controller)
{
    controller_ = &controller;
    // The list reads its cells from the controller's table when it draws
    // them. It shows a prefix of the table's rows; a row it asks for that
    // the table no longer has (cleared a moment before the list hears of
    // it) shows empty.
    deviceList_->setCellReader([this](std::size_t row, int column) -> const std::string& {
        static const std::string none;
        const DeviceTable& table = controller_->table();
        const bool listed = row < table.rowCount() && column >= 0
            && static_cast<std::size_t>(column) < table.columnCount();
        return listed ? table.text(row, column) : none;
    });
    connectControls();
    deviceListMenu_ = new DeviceListMenu(*deviceList_, controller, *this);
}

void CTavrinDlg::connectControls()
{
    MainController& c = *controller_;
    auto clicked = [this](ControlId id, auto action) {
        connect(static_cast<QAbstractButton*>(controls_.at(id)), &QAbstractButton::clicked, this, action);
    };
    clicked(Search, [&c] { c.search(); });
    clicked(ApplyChanges, [&c] { c.applyChanges(); });
    clicked(ModifyTab, [&c] { c.modifyTabClicked(); });
    clicked(UpgradeTab, [&c] { c.upgradeTabClicked(); });
    clicked(Close, [&c] { c.closeButtonClicked(); });
    clicked(Minimise, [this] { showMinimized(); });
    clicked(ControlId::ModeSwitch, [&c] { c.modeSwitchClicked(); });
    clicked(OldModeButton, [&c] { c.oldModeButtonClicked(); });
    clicked(Dhcp, [&c] { c.dhcpClicked(); });
    connect(lineEdit(HttpPort), &QLineEdit::textChanged, this, [this, &c] {
        if (!writingForm_)
            c.httpPortChanged();
    });
    connect(static_cast<QComboBox*>(controls_.at(ModeDropDown)), &QComboBox::currentIndexChanged, this,
        [&c](int index) { c.modeDropDownChanged(index); });

    connect(upgradePanel_, &CDlgUpgrade::browseClicked, this, [&c] { c.upgradeBrowseClicked(); });
    connect(upgradePanel_, &CDlgUpgrade::upgradeClicked, this, [&c] { c.upgradePressed(); });

    connect(deviceList_, &CSortListCtrl::rowClicked, this, [&c](int row, Qt::KeyboardModifiers modifiers) {
        bool ctrlOnly = (modifiers & (Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier)) == Qt::ControlModifier;
        c.rowClicked(row, ctrlOnly ? ClickKind::CtrlOnly : ClickKind::Plain);
    });
    connect(deviceList_, &CSortListCtrl::rowDoubleClicked, this, [&c](int row) { c.rowDoubleClicked(row); });
    connect(deviceList_, &CSortListCtrl::headerClicked, this, [&c](int column) { c.headerClicked(column); });

    // Enter anywhere in the window searches; Escape does nothing.
    for (int key : {Qt::Key_Return, Qt::Key_Enter}) {
        auto* shortcut = new QShortcut(QKeySequence(key), this);
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, this, [&c] { c.search(); });
    }
}

QWidget* CTavrinDlg::control(ControlId id) const
{
    auto found = controls_.find(id);
    return found == controls_.end() ? nullptr : found->second;
}

CIpAddressEdit* CTavrinDlg::ipEdit(ControlId id) const
{
    return static_cast<CIpAddressEdit*>(controls_.at(id));
}

QLineEdit* CTavrinDlg::lineEdit(ControlId id) const
{
    return static_cast<QLineEdit*>(controls_.at(id));
}

// --- the device list

void CTavrinDlg::tableCleared()
{
    deviceList_->clearRows();
}

void CTavrinDlg::rowAppended(std::size_t /*row*/)
{
    // Queued: a burst of replies goes into the list in a few batches, and
    // the window keeps answering meanwhile. The list always shows a prefix
    // of the table's rows, so a click's row is still the table's row.
    deviceList_->queueRow();
}

void CTavrinDlg::tableReordered(int sortColumn, bool ascending)
{
    // Every row, queued ones too, is shown at its new place at once.
    const DeviceTable& table = controller_->table();
    deviceList_->showRows(static_cast<int>(table.rowCount()));
    deviceList_->showSortArrow(sortColumn, ascending);
    // The marks of verified rows go with their devices.
    for (std::size_t row = 0; row < table.rowCount(); ++row) {
        const DeviceTable::Check& check = table.check(row);
        deviceList_->setRowCheck(static_cast<int>(row), rowMark(check.state), check.note);
    }
}

void CTavrinDlg::rowUpdated(std::size_t row)
{
    const DeviceTable& table = controller_->table();
    if (row >= table.rowCount())
        return;
    deviceList_->rowChanged(static_cast<int>(row));
    const DeviceTable::Check& check = table.check(row);
    deviceList_->setRowCheck(static_cast<int>(row), rowMark(check.state), check.note);
}

void CTavrinDlg::rowConflict(std::size_t row, std::string_view note)
{
    deviceList_->setRowConflict(static_cast<int>(row), std::string(note));
}

void CTavrinDlg::showNote(std::string_view text)
{
    // Nothing for the user to answer or act on: a developer's trace.
    debugTrace(text);
}

void CTavrinDlg::markRows(const std::vector<std::size_t>& rows)
{
    std::vector<int> marked(rows.begin(), rows.end());
    deviceList_->setMarkedRows(marked);
}

// --- the form

FormValues CTavrinDlg::readForm()
{
    FormValues values;
    values.originalIp = ipEdit(OriginalIp)->address();
    values.newIp = ipEdit(NewIp)->address();
    values.netMask = ipEdit(NetMask)->address();
    values.gateway = ipEdit(Gateway)->address();
    values.dnsServer = ipEdit(Dns)->address();
    values.dhcpEnabled = dhcpCheck_->isChecked();
    values.httpPortText = utf8(lineEdit(HttpPort)->text());
    values.rtspPortText = utf8(lineEdit(RtspPort)->text());
    values.mobilePortText = utf8(lineEdit(MobilePort)->text());
    values.passwordText = utf8(lineEdit(Password)->text());
    values.userName = utf8(lineEdit(UserName)->text());
    values.macText = utf8(lineEdit(MacText)->text());
    values.startIp = ipEdit(StartIp)->address();
    return values;
}

void CTavrinDlg::writeForm(const FormValues& values)
{
    writingForm_ = true;
    ipEdit(OriginalIp)->setAddress(values.originalIp);
    ipEdit(NewIp)->setAddress(values.newIp);
    ipEdit(NetMask)->setAddress(values.netMask);
    ipEdit(Gateway)->setAddress(values.gateway);
    ipEdit(Dns)->setAddress(values.dnsServer);
    dhcpCheck_->setChecked(values.dhcpEnabled);
    setIfDifferent(lineEdit(HttpPort), values.httpPortText);
    setIfDifferent(lineEdit(RtspPort), values.rtspPortText);
    setIfDifferent(lineEdit(MobilePort), values.mobilePortText);
    setIfDifferent(lineEdit(Password), values.passwordText);
    setIfDifferent(lineEdit(UserName), values.userName);
    setIfDifferent(lineEdit(MacText), values.macText);
    ipEdit(StartIp)->setAddress(values.startIp);
    writingForm_ = false;
}

// --- controls by id

void CTavrinDlg::setVisible(ControlId id, bool visible)
{
    if (QWidget* widget = control(id))
        widget->setVisible(visible);
}

void CTavrinDlg::setEnabled(ControlId id, bool enabled)
{
    if (QWidget* widget = control(id))
        widget->setEnabled(enabled);
}

void CTavrinDlg::setText(ControlId id, std::string_view text)
{
    QWidget* widget = control(id);
    if (auto* label = qobject_cast<QLabel*>(widget)) {
        label->setText(qt(text));
        labelTextChanged(label);
    } else if (auto* edit = qobject_cast<QLineEdit*>(widget))
        edit->setText(qt(text));
    else if (auto* button = qobject_cast<QAbstractButton*>(widget))
        button->setText(qt(text));
}

void CTavrinDlg::setSelected(ControlId id, bool selected)
{
    if (auto* button = qobject_cast<CPngButton*>(control(id)))
        button->setSelected(selected);
}

void CTavrinDlg::setLocked(ControlId id, bool locked)
{
    if (auto* edit = qobject_cast<CNumEdit*>(control(id)))
        edit->setLocked(locked);
}

void CTavrinDlg::setToolTip(ControlId id, std::string_view text)
{
    if (auto* button = qobject_cast<CPngButton*>(control(id)))
        button->setToolTipText(qt(text));
}

void CTavrinDlg::placeOver(ControlId moved, ControlId target)
{
    QWidget* movedWidget = control(moved);
    QWidget* targetWidget = control(target);
    if (movedWidget && targetWidget)
        movedWidget->setGeometry(targetWidget->geometry());
}

void CTavrinDlg::setWindowTitle(std::string_view title)
{
    QWidget::setWindowTitle(qt(title));
}

// --- the upgrade panel

bool CTavrinDlg::isChecked(ControlId id)
{
    auto* box = qobject_cast<QCheckBox*>(control(id));
    return box && box->isChecked();
}

void CTavrinDlg::setUpgradePanelVisible(bool visible)
{
    upgradePanel_->setVisible(visible);
}

void CTavrinDlg::clearUpgradePanelPassword()
{
    upgradePanel_->clearPassword();
}

void CTavrinDlg::resetUpgradeProgress()
{
    upgradePanel_->resetProgress();
}

UpgradeFields CTavrinDlg::readUpgradePanel()
{
    return upgradePanel_->readFields();
}

void CTavrinDlg::writeUpgradePanel(const UpgradeFields& fields)
{
    upgradePanel_->writeFields(fields);
}

void CTavrinDlg::showUpgradeBar(const UpgradeBar& bar)
{
    upgradePanel_->showBar(bar);
}

std::optional<std::string> CTavrinDlg::chooseUpgradeFile()
{
    return upgradePanel_->chooseFile();
}

void CTavrinDlg::focusUpgradeUserName()
{
    upgradePanel_->focusUserName();
}

// --- dialogs and the shell

void CTavrinDlg::showMessage(std::string_view text)
{
    messageSink_(qt(text));
}

bool CTavrinDlg::askOkCancel(std::string_view text)
{
    return questionSink_(qt(text));
}

void CTavrinDlg::focusControl(ControlId id)
{
    if (QWidget* widget = control(id))
        widget->setFocus();
}

int CTavrinDlg::runBusyDialog(BusyPicture picture)
{
    const QString path = picture == BusyPicture::Searching ? QStringLiteral(":/artwork/busy_search.png")
                                                           : QStringLiteral(":/artwork/busy_change.png");
    busyDialog_->setBackground(QPixmap::fromImage(loadScaledPicture(path, busyDialog_->devicePixelRatioF())));
    // The dialog's whole message is its picture: a screen reader reads it
    // from the name.
    busyDialog_->setAccessibleName(picture == BusyPicture::Searching
            ? QStringLiteral("Wyszukiwanie, proszę czekać...")
            : QStringLiteral("Wprowadzanie zmian, proszę czekać..."));
    return busyDialog_->run();
}

void CTavrinDlg::endBusyDialog(int result)
{
    busyDialog_->end(result);
}

void CTavrinDlg::runOnGuiThread(const std::function<void()>& work)
{
    if (QThread::currentThread() == thread()) {
        work();
        return;
    }
    // The worker waits for the window's thread, but not for a window that is
    // going away: that thread may be the one waiting for the worker.
    auto done = std::make_shared<std::promise<void>>();
    std::future<void> finished = done->get_future();
    QMetaObject::invokeMethod(
        this,
        [this, work, done] {
            if (!closing_)
                work();
            done->set_value();
        },
        Qt::QueuedConnection);
    while (finished.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready) {
        if (closing_)
            return;
    }
}

void CTavrinDlg::openUrl(const std::string& url)
{
    urlOpener_(QString::fromStdString(url));
}

void CTavrinDlg::endWindow(int result)
{
    result_ = result;
    if (ending_)
        return;
    ending_ = true;
    closing_ = true;
    close();
    QCoreApplication::exit(0);
}

void CTavrinDlg::postCloseRequest()
{
    QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
}

// --- events

bool CTavrinDlg::event(QEvent* event)
{
    if (event->type() == WindowMessageEvent::eventType()) {
        if (controller_)
            controller_->handleMessage(static_cast<WindowMessageEvent*>(event)->message());
        return true;
    }
    return QWidget::event(event);
}

void CTavrinDlg::paintEvent(QPaintEvent*)
{
    // Loaded here, where the scale of the screen the window is on is known
    // for certain: it may have moved to another one since the last paint.
    if (backgroundRatio_ != devicePixelRatioF()) {
        backgroundRatio_ = devicePixelRatioF();
        background_ = QPixmap::fromImage(
            loadScaledPicture(QStringLiteral(":/artwork/background.png"), backgroundRatio_));
    }
    QPainter painter(this);
    painter.drawPixmap(rect(), background_);
}

void CTavrinDlg::mousePressEvent(QMouseEvent* event)
{
    // The window has no title bar: its top band is where it is dragged. The
    // window system moves it where it can (it knows the screens' edges and
    // snapping); where it cannot, the window follows the mouse itself.
    if (event->button() == Qt::LeftButton && startsDrag(event->position().y())) {
        if (!windowHandle() || !windowHandle()->startSystemMove())
            dragGrip_ = event->globalPosition().toPoint() - pos();
    }
    QWidget::mousePressEvent(event);
}

void CTavrinDlg::mouseMoveEvent(QMouseEvent* event)
{
    if (dragGrip_ && (event->buttons() & Qt::LeftButton))
        move(event->globalPosition().toPoint() - *dragGrip_);
    QWidget::mouseMoveEvent(event);
}

void CTavrinDlg::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        dragGrip_.reset();
    QWidget::mouseReleaseEvent(event);
}

void CTavrinDlg::closeEvent(QCloseEvent* event)
{
    // A close request from the system (Alt+F4, the window manager) or from a
    // restart: the controller stops the search machinery and ends the window
    // through endWindow().
    if (!ending_ && controller_)
        controller_->closeRequested();
    event->accept();
}

} // namespace lorvena
