#include "control/MainController.h"

#include "control/FormRules.h"
#include "control/NetworkChangeServices.h"
#include "control/OnvifRecordParser.h"
#include "control/OnvifRoutines.h"
#include "control/SdkRoutines.h"
#include "control/UpgradeMessages.h"
#include "control/WindowSetup.h"
#include "discovery/AddressConflicts.h"
#include "discovery/ReplyParser.h"

namespace lorvena {

namespace {

TableLayout layoutOf(int searchMode)
{
    return searchMode == 0 ? TableLayout::OldMode : TableLayout::NewMode;
}

WindowState initialState(int searchMode, bool softStart)
{
    WindowState state;
    state.searchMode = searchMode;
    state.softStart = softStart;
    return state;
}

} // namespace

MainController::MainController(int searchMode, Dependencies dependencies)
    : view_(dependencies.view)
    , onvif_(dependencies.onvifLibrary)
    , sdk_(dependencies.sdkLibrary ? *dependencies.sdkLibrary : builtInSdkLibrary())
    , state_(initialState(searchMode, dependencies.softStart))
    , table_(layoutOf(searchMode))
    , discovery_(generationOf(searchMode), dependencies.poster, dependencies.addresses, dependencies.receiverTimings)
    , list_(view_, table_, state_)
    , modeSwitch_(view_, state_, dependencies.settings, dependencies.launcher)
    , services_(servicesOf(dependencies, discovery_, ownedServices_))
    , change_(view_, state_, services_, dependencies.poster)
    , upgrade_(view_, state_, services_, dependencies.poster, dependencies.upgradeTimings, dependencies.echoProbe,
          dependencies.videoServerLibrary)
{
    if (dependencies.changeVerification) {
        change_.setVerification(dependencies.changeVerification);
    } else if (!dependencies.changeServices && dependencies.verifyWait.count() > 0) {
        verifier_ = std::make_unique<ChangeVerifier>(dependencies.poster, dependencies.addresses, dependencies.verifyWait);
        handOver_ = std::make_unique<VerifierHandOver>(*verifier_);
        change_.setVerification(handOver_.get());
    }
    change_.setAddressCheck(&table_, addressPingOf(dependencies, ownedPing_), dependencies.addressPingWait);
    sdk_.setLoginCheck(&SdkLoginCheck);
    sdk_.startup();
    sdk_.setWaitTime(5, 0, 10);
    if (onvif_) {
        onvif_->startup();
        onvif_->setWaitTime(5, 0, 10);
        onvifSearch_.emplace(view_, state_, dependencies.poster, *onvif_, dependencies.onvifSearchPause);
    }
}

ChangeServices& MainController::servicesOf(
    Dependencies& dependencies, Discovery& discovery, std::unique_ptr<ChangeServices>& owned)
{
    if (dependencies.changeServices)
        return *dependencies.changeServices;
    owned = std::make_unique<NetworkChangeServices>(discovery.sockets(), dependencies.addresses, dependencies.poster,
        dependencies.sdkLibrary ? *dependencies.sdkLibrary : builtInSdkLibrary(), dependencies.onvifLibrary);
    return *owned;
}

AddressPing* MainController::addressPingOf(const Dependencies& dependencies, std::unique_ptr<AddressPing>& owned)
{
    if (dependencies.addressPing)
        return dependencies.addressPing;
    if (dependencies.changeServices)
        return nullptr;
    owned = std::make_unique<IcmpAddressPing>(dependencies.addresses);
    return owned.get();
}

MainController::~MainController()
{
    // The workers first: an upload, a credential check, a video-server open
    // or a change's exchange or batch must not outlive the libraries and
    // services below.
    upgrade_.shutdown();
    change_.shutdown();
    services_.onvifLogout();
    services_.sdkLogout();
    shutdownSearch();
    sdk_.cleanup();
    // Last: it ends a discovery still running and waits for the library's
    // threads, so no routine posts after this.
    if (onvif_)
        onvif_->cleanup();
}

void MainController::initialise()
{
    // The form starts with its initial values: mask 255.255.255.0, user "admin".
    view_.writeForm(state_.form);
    setUpControls(view_, state_.searchMode);
    upgrade_.initialise();
    discovery_.start();
}

void MainController::shutdownSearch()
{
    discovery_.stop();
    if (verifier_)
        verifier_->stop();
}

void MainController::clearTable()
{
    table_.clear();
    list_.tableCleared();
    view_.tableCleared();
}

void MainController::search()
{
    if (discovery_.generation() == SearchGeneration::Old) {
        clearTable();
        discovery_.sendOldModeSearch();
        return;
    }
    discovery_.sendBasicSearch();
    clearTable();
    discovery_.sendExtendedSearch();
    if (onvifSearch_)
        onvifSearch_->runAndWait();
}

void MainController::modifyTabClicked()
{
    if (state_.upgradeBusy) {
        view_.showMessage(UpgradeMessages::upgrading);
        return;
    }
    view_.setUpgradePanelVisible(false);
    view_.setSelected(ControlId::ModifyTab, true);
    view_.setSelected(ControlId::UpgradeTab, false);
    view_.clearUpgradePanelPassword();
    view_.setVisible(ControlId::StartIpLabel, false);
    view_.setVisible(ControlId::StartIp, false);
    showModifyForm(view_, true);
}

void MainController::upgradeTabClicked()
{
    view_.setSelected(ControlId::ModifyTab, false);
    view_.setSelected(ControlId::UpgradeTab, true);
    view_.setUpgradePanelVisible(true);
    for (ControlId id : {ControlId::StartIpLabel, ControlId::StartIp, ControlId::MacLabel, ControlId::MacText,
             ControlId::MobilePortLabel, ControlId::MobilePort})
        view_.setVisible(id, false);
    showModifyForm(view_, false);
    view_.setText(ControlId::Password, "");
}

void MainController::closeButtonClicked()
{
    state_.form = view_.readForm();
    view_.endWindow(MainView::windowClosed);
}

void MainController::headerClicked(int column)
{
    list_.headerClick(column);
    showAllConflicts();
}

void MainController::showConflictsAt(const std::string& ip)
{
    // Most addresses are one device's: nothing to look through.
    if (!table_.addressShared(ip))
        return;
    for (const RowNote& note : DescribeConflictsAt(table_, ip))
        view_.rowConflict(note.row, note.note);
}

void MainController::showAllConflicts()
{
    for (std::size_t row = 0; row < table_.rowCount(); ++row) {
        const std::string& ip = table_.row(row).ip;
        view_.rowConflict(row, table_.addressShared(ip) ? DescribeConflict(table_, row) : std::string());
    }
}

void MainController::rowClicked(int row, ClickKind kind)
{
    // A pending change login's answer must not act on the row clicked now.
    change_.forgetPendingLogin();
    list_.click(row, kind);
    // A plain click empties the panel's password edit; its saved copy goes too.
    if (kind == ClickKind::Plain)
        upgrade_.forgetPassword();
}

void MainController::closeRequested()
{
    upgrade_.closeRequested();
    shutdownSearch();
    view_.endWindow(MainView::windowCancelled);
}

void MainController::windowDestroyed()
{
    if (!state_.restartPending)
        shutdownSearch();
}

void MainController::handleMessage(const WindowMessage& message)
{
    switch (message.id) {
    case MessageId::DeviceExchangeDone:
        change_.exchangeDone(message.wParam);
        break;
    case MessageId::ChangeVerified:
        changeVerified(message.wParam);
        break;
    case MessageId::UpgradeCheckDone:
        upgrade_.credentialCheckDone(message.wParam);
        break;
    case MessageId::OnvifChangeResult:
        change_.onvifChangeAnswered(message.lParam == 1, message.wParam);
        break;
    case MessageId::SearchReplyOld:
        addOldestReply(discovery_.basicReplyKind());
        break;
    case MessageId::SearchReplyNew:
        // A drain notification never parses here: a lost extended message's
        // reply waits for the next reply's message instead.
        if (message.wParam != 0)
            addOldestReply(ReplyKind::Extended);
        break;
    case MessageId::OnvifDevice:
        onvifDevice(message);
        break;
    case MessageId::SoftClose:
        if (state_.softStart)
            view_.endWindow(MainView::windowCancelled);
        break;
    case MessageId::LoginResultOk:
        loginAnswered(true, message.wParam);
        break;
    case MessageId::LoginResultFail:
        loginAnswered(false, message.wParam);
        break;
    case MessageId::SdkConnectFailed:
        sdkConnectFailed();
        break;
    case MessageId::SdkUpgradeProgress:
    case MessageId::SdkUpgradeDone:
    case MessageId::SdkUpgradeFailed:
        upgrade_.sdkEvent(message.id, message.lParam);
        break;
    case MessageId::VideoServerOpened:
        upgrade_.videoServerOpened(message.wParam, message.lParam);
        break;
    case MessageId::VideoServerProgress:
        upgrade_.videoServerProgress(message.lParam, message.wParam != 0);
        break;
    default:
        break;
    }
}

void MainController::loginAnswered(bool accepted, std::uintptr_t session)
{
    // What the answer continues depends on what the login was for.
    switch (state_.loginPurpose) {
    case LoginPurpose::SdkUpgrade:
        upgrade_.sdkLoginAnswered(accepted, session);
        break;
    case LoginPurpose::Change:
    case LoginPurpose::OnvifChange:
    case LoginPurpose::OnvifBatchChange:
        change_.loginAnswered(accepted, session);
        break;
    case LoginPurpose::None:
        break;
    }
}

void MainController::sdkConnectFailed()
{
    // A change's login (single or batch) that could not connect is the
    // change's to report; the upgrade panel has nothing to do with it.
    if (state_.loginPurpose == LoginPurpose::Change) {
        services_.sdkLogout();
        change_.loginAbandoned();
        return;
    }
    // Once an SDK upgrade has reported anything, a lost connection is its
    // business, not a new failure - unless an SDK upgrade is waiting for its
    // end right now: ignoring the loss would leave it waiting for good.
    bool sdkUpgradeWaiting = state_.loginPurpose == LoginPurpose::SdkUpgrade && state_.upgradeRunning;
    if (state_.sdkUpgradeState != SdkUpgradeState::NoEvent && !sdkUpgradeWaiting)
        return;
    services_.sdkLogout();
    change_.loginAbandoned();
    upgrade_.sdkConnectionLost();
}

void MainController::onvifDevice(const WindowMessage& message)
{
    if (message.lParam == 1) {
        // The end of the discovery. After a cancel, or once the dialog has
        // closed, it changes nothing; nor does it close a change's dialog
        // that came up after its search had ended.
        if (state_.busyDialogShown && state_.busySearching)
            view_.endBusyDialog(state_.busyResult);
        return;
    }
    // ONVIF rows exist in the new layout only.
    if (table_.layout() != TableLayout::NewMode || message.payload.empty())
        return;
    ParsedOnvifRecord parsed = parseOnvifRecord(message.payload);
    const std::string ip = parsed.record.ip;
    if (table_.isDuplicate(DuplicateRule::SameMacOrIp, parsed.macKey, parsed.record.ip)) {
        table_.noteHidden(parsed.record);
        showConflictsAt(ip);
        return;
    }
    parsed.record.number = std::to_string(table_.rowCount() + 1);
    view_.rowAppended(table_.append(std::move(parsed.record)));
    showConflictsAt(ip);
}

void MainController::addOldestReply(ReplyKind kind)
{
    std::optional<ReplyBuffer> reply = discovery_.takeOldestReply(kind);
    if (!reply)
        return;
    ParsedReply parsed = parseSearchReply(kind, *reply);
    if (!parsed.listed)
        return;
    const std::string ip = parsed.record.ip;
    if (table_.isDuplicate(parsed.duplicateRule, parsed.record.mac, parsed.record.ip)) {
        table_.noteHidden(parsed.record);
        showConflictsAt(ip);
        return;
    }
    parsed.record.number = std::to_string(table_.rowCount() + 1);
    view_.rowAppended(table_.append(std::move(parsed.record)));
    showConflictsAt(ip);
}

std::optional<std::size_t> MainController::rowOfVerified(const ChangeExpectation& expected) const
{
    if (expected.rowId != 0) {
        if (auto index = table_.indexOf(expected.rowId))
            return index;
    }
    // A single device is found by what it was listed with (a sort may have
    // moved its row); a new search may have listed it afresh, anywhere.
    for (std::size_t row = 0; row < table_.rowCount(); ++row) {
        const DeviceRecord& record = table_.row(row);
        if (record.ip != expected.formerIp)
            continue;
        // Several factory-default devices share an address: the MAC tells
        // them apart (an ONVIF row's MAC text as listed).
        if (sameMac(record.mac, expected.identity) || record.mac == expected.listedMac)
            return row;
    }
    return std::nullopt;
}

void MainController::changeVerified(std::uint64_t ticket)
{
    if (!verifier_)
        return;
    std::optional<VerificationResult> result = verifier_->take(ticket);
    if (!result)
        return;
    verificationResults_.push_back(*result);
    std::optional<std::size_t> row = rowOfVerified(result->expected);
    if (!row)
        return;
    const std::string where = expectedAddressText(result->expected);
    const std::string formerIp = table_.row(*row).ip;
    DeviceTable::Check check;
    if (result->confirmed && result->seen) {
        DeviceRecord updated = table_.row(*row);
        const DeviceRecord& seen = *result->seen;
        if (result->expected.generation == VerifyGeneration::Onvif) {
            // A probe answer tells the address only; the rest is as changed.
            updated.ip = seen.ip;
        } else {
            // The reply's cells, in the columns this layout shows.
            for (const ColumnSpec& column : columnsOf(table_.layout())) {
                if (column.field != DeviceField::Number)
                    updated.field(column.field) = seen.field(column.field);
            }
        }
        table_.update(*row, std::move(updated));
        check = {RowCheck::Confirmed, "Potwierdzono: urządzenie odpowiada pod adresem " + table_.row(*row).ip};
    } else {
        check = {RowCheck::NotSeen, "Nie widać urządzenia pod nowym adresem: oczekiwano " + where};
    }
    table_.setCheck(*row, std::move(check));
    view_.rowUpdated(*row);
    // The device left one address and took another: a conflict may have
    // ended at the one and begun at the other.
    const std::string ip = table_.row(*row).ip;
    if (ip != formerIp) {
        view_.rowConflict(*row, {});
        for (const std::string& address : {formerIp, ip}) {
            // Rows left alone at the address lose their mark too.
            std::vector<RowNote> notes = DescribeConflictsAt(table_, address);
            if (notes.empty()) {
                for (std::size_t alone : FindRowsAtAddress(table_, address))
                    notes.push_back({alone, {}});
            }
            for (const RowNote& note : notes)
                view_.rowConflict(note.row, note.note);
        }
    }
}

} // namespace lorvena
