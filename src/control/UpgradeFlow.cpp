#include "control/UpgradeFlow.h"

#include "platform/DeviceAddress.h"

#include "control/BusyDialog.h"
#include "control/UpgradeMessages.h"
#include "control/UploadWorker.h"
#include "net/Base64.h"
#include "platform/DeviceAddress.h"
#include "platform/TextCase.h"
#include "platform/TextCodec.h"
#include "upgrade/PackageFile.h"
#include "upgrade/PackageName.h"

#include <algorithm>
#include <cctype>

namespace lorvena {

namespace M = UpgradeMessages;

namespace {

// What the busy dialog returns when the user pressed its Cancel.

// The video server's service port.
constexpr std::int32_t videoServerPort = 4000;
// The library copies the package path (native, UTF-8 bytes: it is opened
// here, not on the device) into a buffer of the classic path limit,
// terminator included.
constexpr std::size_t longestPackagePath = 259;
// Texts handed to the video-server client fit 40-byte buffers. User name and
// password travel in Windows-1250, as on every other route.
constexpr std::size_t longestVideoServerText = 39;
constexpr std::size_t longestPassword = 31;

std::string cutTo(std::string text, std::size_t bytes)
{
    if (text.size() > bytes)
        text.resize(bytes);
    return text;
}

} // namespace

UpgradeFlow::UpgradeFlow(MainView& view, WindowState& state, ChangeServices& services, MessagePoster& poster,
    UpgradeTimings timings, EchoProbe* probe, VideoServerLibrary* videoServer)
    : view_(view)
    , state_(state)
    , services_(services)
    , poster_(poster)
    , timings_(timings)
    , ownedProbe_(probe ? nullptr : std::make_unique<IcmpEchoProbe>())
    , probe_(probe ? *probe : *ownedProbe_)
    , videoServer_(videoServer ? *videoServer : builtInVideoServerLibrary())
{
    videoServerContext_.library = &videoServer_;
    videoServerContext_.poster = &poster_;
}

UpgradeFlow::~UpgradeFlow()
{
    shutdown();
}

void UpgradeFlow::shutdown()
{
    if (worker_)
        worker_->cancelAndJoin();
    // An open still waiting for its server ends at once.
    videoServer_.stopOpening();
    joinOpenThread();
    reapChecks(true);
    std::int32_t unclaimed = openedHandle_.exchange(0);
    if (unclaimed != 0 && unclaimed != serverHandle_)
        videoServer_.closeServer(unclaimed);
    if (serverHandle_ != 0) {
        videoServer_.closeServer(serverHandle_);
        serverHandle_ = 0;
    }
}

void UpgradeFlow::initialise()
{
    view_.showUpgradeBar(bar_);
    show();
}

void UpgradeFlow::showBar(const UpgradeBar& bar)
{
    if (bar == bar_)
        return;
    bar_ = bar;
    view_.showUpgradeBar(bar);
}

void UpgradeFlow::ended(bool succeeded)
{
    lastSucceeded_ = succeeded;
    ++endings_;
}

void UpgradeFlow::releasePanel()
{
    state_.upgradeRunning = false;
    state_.upgradeBusy = false;
    fields_.path.clear();
    fields_.password.clear();
}

void UpgradeFlow::browseClicked()
{
    if (std::optional<std::string> chosen = view_.chooseUpgradeFile())
        fields_.path = *chosen;
    show();
}

// --- the Upgrade command

void UpgradeFlow::upgradePressed()
{
    load();
    // The device is the row clicked last (plain or Ctrl), all of it from
    // that one row.
    std::uint32_t lastOctet = state_.selected.address & 0xFF;
    if (lastOctet == 0 || lastOctet == 255) {
        view_.showMessage(M::chooseDevice);
        releaseUnlessUnderWay();
        ended(false);
        return;
    }
    // The package and the credentials go to the row's own address text only
    // when one device can have it (a dotted quad, not multicast, ...).
    if (!deviceAddress(state_.selected.ipText)) {
        state_.upgradeBusy = false;
        refuse(M::badAddress);
        return;
    }
    if (fields_.path.empty()) {
        releaseUnlessUnderWay();
        refuse(M::selectFile);
        return;
    }
    // Opened without blocking and checked for a regular file: a FIFO or a
    // device node in the package's place must not hold the window. A package
    // whose length does not fit the upload's 32-bit field is no package for
    // any route.
    const PackageProblem problem = OpenPackage(fields_.path).problem;
    const bool unusable = problem == PackageProblem::NotAFile || problem == PackageProblem::TooLarge;
    if ((!state_.upgradeBusy && problem == PackageProblem::CannotOpen) || unusable) {
        // upgradeBusy is left as it is: an upgrade may be running meanwhile.
        view_.showMessage(M::invalidFile);
        fields_.path.clear();
        show();
        ended(false);
        return;
    }
    if (problem == PackageProblem::CannotOpen) {
        ended(false);
        return;
    }
    fields_.userName = lowerCased(fields_.userName);
    if (fields_.userName != "admin") {
        view_.showMessage(M::adminAccount);
        fields_.userName.clear();
        show();
        view_.focusUpgradeUserName();
        ended(false);
        return;
    }
    if (utf16Length(fields_.password) > longestPassword) {
        view_.showMessage(M::passwordTooLong);
        fields_.password.clear();
        show();
        ended(false);
        return;
    }

    state_.upgradeBusy = true;
    int typeCode = upgradeTypeCode(state_.selected.typeText);
    UpgradeRoute route = upgradeRouteFor(typeCode);
    if (route == UpgradeRoute::OnvifRefused) {
        view_.showMessage(M::onvifRefused);
        releaseUnlessUnderWay();
        fields_.path.clear();
        fields_.password.clear();
        show();
        ended(false);
        return;
    }
    if (route == UpgradeRoute::SdkUpgrade) {
        startSdkUpgrade(typeCode);
        return;
    }
    if (fields_.password.empty()) {
        releaseUnlessUnderWay();
        show();
        refuse(M::wrongPassword);
        return;
    }
    // A worker still running (its flags cleared by an empty-password press)
    // would share the panel with a second one.
    // A video server still being opened would otherwise be joined here, on
    // the window's thread, by the next open.
    if (underWay()) {
        refuse(M::upgrading);
        return;
    }
    std::string token = Base64Encode(utf8ToDeviceText(fields_.userName + ":" + fields_.password));
    const std::optional<AuthorityVerdict> checked =
        checkWhileBusy(state_.selected.ipText, state_.selected.httpPortText, token);
    if (!checked) {
        // Cancelled: the user knows; nothing was started.
        state_.upgradeBusy = false;
        ended(false);
        return;
    }
    const AuthorityVerdict verdict = *checked;
    if (verdict != AuthorityVerdict::Accepted) {
        state_.upgradeRunning = false;
        state_.upgradeBusy = false;
        fields_.password.clear();
        show();
        // A device that never answered says nothing about the password.
        refuse(verdict == AuthorityVerdict::Unreachable ? M::noConnection : M::wrongPassword);
        return;
    }
    if (route == UpgradeRoute::VideoServerUpgrade)
        startVideoServerUpgrade();
    else
        startUpload(route);
}

bool UpgradeFlow::underWay() const
{
    return state_.upgradeRunning || videoServerUpdating_ || videoServerOpening_ || (worker_ && worker_->running());
}

void UpgradeFlow::releaseUnlessUnderWay()
{
    // A press refused while an upgrade runs leaves that upgrade's locks: the
    // Modify tab must not change the device mid-upgrade, nor a second route
    // start beside it.
    if (underWay())
        return;
    state_.upgradeRunning = false;
    state_.upgradeBusy = false;
}

std::optional<AuthorityVerdict> UpgradeFlow::checkWhileBusy(
    std::string ipText, std::string portText, std::string token)
{
    reapChecks(false);
    auto check = std::make_shared<CredentialCheck>();
    const std::uintptr_t number = ++checkCount_;
    // The end travels as a posted message; the worker never waits for the
    // window's thread, which may have stopped waiting for it.
    check->thread = std::thread([this, check, number, ipText = std::move(ipText), portText = std::move(portText),
                                    token = std::move(token)] {
        check->verdict = services_.httpAuthorityCheck(ipText, portText, token);
        check->done = true;
        poster_.post({MessageId::UpgradeCheckDone, number, 0, {}});
    });
    checks_.push_back(check);
    // Normally ended by this check's message, with the verdict there. A
    // dialog ended by something else is shown again rather than waiting for
    // the device on the window's thread.
    do {
        checkShown_ = number;
        const int result = showBusyDialog(view_, state_, MainView::BusyPicture::Changing);
        checkShown_ = 0;
        if (result == MainView::busyCancelled)
            return std::nullopt;
    } while (!check->done);
    return check->verdict;
}

void UpgradeFlow::credentialCheckDone(std::uintptr_t check)
{
    // A late end (after Cancel) closes nothing.
    if (check != 0 && check == checkShown_)
        view_.endBusyDialog(MainView::busyEnded);
    reapChecks(false);
}

void UpgradeFlow::reapChecks(bool all)
{
    auto finished = [all](const std::shared_ptr<CredentialCheck>& check) {
        if (!all && !check->done)
            return false;
        if (check->thread.joinable())
            check->thread.join();
        return true;
    };
    checks_.erase(std::remove_if(checks_.begin(), checks_.end(), finished), checks_.end());
}

// --- uploads over TCP

void UpgradeFlow::startUpload(UpgradeRoute route)
{
    joinWorker();
    progressPercent_ = 0;
    lastUploadResult_ = 0;
    uploadPath_ = fields_.path;
    worker_ = std::make_shared<UploadWorker>(*this, route, uploadPath_);
    worker_->start();
}

void UpgradeFlow::joinWorker()
{
    // Only a finished worker is ever replaced: a running one keeps
    // upgradeRunning set, which refuses the press before this point.
    if (worker_)
        worker_->join();
}

void UpgradeFlow::uploadFinished(UpgradeRoute route, const UploadOutcome& outcome)
{
    lastUploadResult_ = outcome.code;
    if (outcome.succeeded()) {
        releasePanel();
        show();
        ended(true);
        return;
    }
    if (outcome.code == upload_result::success) {
        // The device took the package but its restart could not be seen.
        releasePanel();
        setPosition(0);
        show();
        view_.showMessage(M::cannotWatch);
        ended(false);
        return;
    }
    if (route == UpgradeRoute::UploadThenWatch) {
        view_.showMessage(M::uploadFailed);
        releasePanel();
        setPosition(0);
        show();
    } else {
        setPosition(0);
        releasePanel();
        show();
        view_.showMessage(M::uploadFailed);
    }
    ended(false);
}

// --- the vendor SDK

void UpgradeFlow::startSdkUpgrade(int typeCode)
{
    if (state_.upgradeRunning) {
        refuse(M::upgrading);
        return;
    }
    state_.loginPurpose = LoginPurpose::SdkUpgrade;
    // A new upgrade has reported nothing yet: a lost connection during its
    // login must end it, whatever the previous upgrade reported.
    state_.sdkUpgradeState = SdkUpgradeState::NoEvent;
    services_.sdkLogin(state_.selected.ipText, state_.selected.httpPortText, fields_.userName, fields_.password,
        sdkSecondFamily(typeCode));
}

void UpgradeFlow::sdkLoginAnswered(bool accepted, std::uintptr_t session)
{
    // A change's login answered after the upgrade started its own: not ours.
    if (session != 0)
        return;
    load();
    if (!accepted) {
        state_.upgradeRunning = false;
        state_.upgradeBusy = false;
        fields_.password.clear();
        show();
        refuse(M::wrongPassword);
        return;
    }
    // The session went between the answer and now (the library lost the
    // device): the panel is released as for any lost connection, rather
    // than left waiting for an upgrade that will never start.
    if (!services_.sdkLoggedIn()) {
        sdkConnectionLost();
        return;
    }
    // Paths stay native: the file is opened here, under its own name.
    if (services_.sdkUpgrade(fields_.path) == 0) {
        state_.upgradeRunning = true;
        return;
    }
    state_.upgradeRunning = false;
    state_.upgradeBusy = false;
    refuse(M::sdkStartRefused);
}

void UpgradeFlow::sdkEvent(MessageId event, std::intptr_t value)
{
    switch (event) {
    case MessageId::SdkUpgradeProgress:
        state_.sdkUpgradeState = SdkUpgradeState::NoEvent;
        showRunning(static_cast<int>(value));
        state_.sdkUpgradeState = SdkUpgradeState::ProgressOrFailure;
        break;
    case MessageId::SdkUpgradeDone:
        state_.sdkUpgradeState = SdkUpgradeState::Done;
        showRunning(100);
        services_.sdkLogout();
        releasePanel();
        show();
        ended(true);
        break;
    case MessageId::SdkUpgradeFailed:
        state_.sdkUpgradeState = SdkUpgradeState::ProgressOrFailure;
        setPosition(0);
        services_.sdkLogout();
        releasePanel();
        show();
        refuse(M::sdkFailed);
        break;
    default:
        break;
    }
}

void UpgradeFlow::sdkConnectionLost()
{
    releasePanel();
    show();
    refuse(M::connectFailed);
}

// --- the video server

void UpgradeFlow::startVideoServerUpgrade()
{
    if (!CheckPackageName(fields_.path, state_.selected.firmwareText)) {
        // Released here, unlike the classic tool, so that the Modify tab is
        // not refused after an upgrade that never started.
        state_.upgradeBusy = false;
        refuse(M::packageError);
        return;
    }
    uploadPath_ = fields_.path;
    if (uploadPath_.size() > longestPackagePath) {
        setPosition(0);
        state_.upgradeBusy = false;
        fields_.path.clear();
        fields_.password.clear();
        show();
        refuse(M::videoServerFailed);
        return;
    }
    joinOpenThread();
    if (serverHandle_ != 0) {
        // A finished update's session; each update opens its own.
        videoServer_.closeServer(serverHandle_);
        serverHandle_ = 0;
    }
    videoServerOpening_ = true;
    std::string address = cutTo(utf8ToDeviceText(state_.selected.ipText), longestVideoServerText);
    std::string user = cutTo(utf8ToDeviceText(fields_.userName), longestVideoServerText);
    std::string password = cutTo(utf8ToDeviceText(fields_.password), longestVideoServerText);
    openThread_ = std::thread([this, address, user, password] {
        std::int32_t handle = 0;
        videoServer_.openServer(address, videoServerPort, user, password, handle);
        std::int32_t registration = videoServer_.regServerMsgCallback(handle, &VideoServerMessage, &videoServerContext_);
        openedHandle_ = handle;
        poster_.post({MessageId::VideoServerOpened, static_cast<std::uintptr_t>(handle), registration, {}});
    });
}

void UpgradeFlow::joinOpenThread()
{
    if (openThread_.joinable())
        openThread_.join();
}

void UpgradeFlow::closeRequested()
{
    if (!videoServerOpening_)
        return;
    // The window is closing: the open need not go on.
    videoServer_.stopOpening();
    videoServerOpening_ = false;
    state_.upgradeBusy = false;
    refuse(M::openInterrupted);
}

void UpgradeFlow::videoServerOpened(std::uintptr_t handleValue, std::intptr_t registration)
{
    joinOpenThread();
    auto handle = static_cast<std::int32_t>(handleValue);
    openedHandle_ = 0;
    if (!videoServerOpening_) {
        // The wait was given up (the window is closing): nobody wants it.
        if (handle != 0)
            videoServer_.closeServer(handle);
        return;
    }
    videoServerOpening_ = false;
    serverHandle_ = handle;
    if (registration != 0) {
        // The classic tool waits here until the window is closed; a refused
        // login or an unreachable server ends the wait at once instead.
        state_.upgradeBusy = false;
        refuse(M::openInterrupted);
        return;
    }
    videoServerContext_.lastProgress = -1;
    if (videoServer_.updateServer(serverHandle_, uploadPath_, &VideoServerProgress, &videoServerContext_) != 0) {
        setPosition(0);
        state_.upgradeBusy = false;
        fields_.path.clear();
        fields_.password.clear();
        show();
        refuse(M::videoServerFailed);
        return;
    }
    // Set, unlike the classic tool, so that a second press cannot start a
    // second update into the same session.
    state_.upgradeRunning = true;
    videoServerUpdating_ = true;
}

void UpgradeFlow::videoServerProgress(std::intptr_t progress, bool failed)
{
    if (!videoServerUpdating_)
        return;
    showRunning(static_cast<int>(progress));
    if (!failed && progress != 100)
        return;
    showIdle();
    videoServerUpdating_ = false;
    state_.upgradeRunning = false;
    state_.upgradeBusy = false;
    if (failed) {
        // The idle bar alone would look like a finished update.
        refuse(M::videoServerFailed);
        return;
    }
    ended(true);
}

} // namespace lorvena
