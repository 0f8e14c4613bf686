#pragma once

#include <cstdint>
#include <vector>

namespace lorvena {

// The custom window messages, with the numbers other processes and the
// device libraries rely on.
enum class MessageId : std::uint32_t {
    SearchReplyOld = 1025,      // WM_SEARCH_REPLY_OLD
    SearchReplyNew = 1027,      // WM_SEARCH_REPLY_NEW
    OnvifDevice = 1028,         // WM_ONVIF_DEVICE
    SoftClose = 6024,           // WM_SOFT_CLOSE
    LoginResultOk = 16024,      // WM_LOGIN_RESULT_OK
    LoginResultFail = 16025,    // WM_LOGIN_RESULT_FAIL
    SdkUpgradeProgress = 16026, // WM_SDK_UPGRADE_PROGRESS
    SdkUpgradeDone = 16027,     // WM_SDK_UPGRADE_DONE
    SdkUpgradeFailed = 16028,   // WM_SDK_UPGRADE_FAILED
    SdkConnectFailed = 16029,   // WM_SDK_CONNECT_FAILED
    // Our own, between the video-server client's threads and the window:
    // the session is open (wParam handle, lParam 0 when registered), and an
    // update's progress (lParam percent, wParam 1 when it failed).
    VideoServerOpened = 16100,
    VideoServerProgress = 16101,
    // How a change handed to the ONVIF library ended (lParam 1: the device
    // took it, 0: it did not).
    OnvifChangeResult = 16102,
    // An exchange with a device run off the window's thread during "Zmiana
    // IP" has ended (wParam: its number).
    DeviceExchangeDone = 16103,
    // A changed device was looked for at its new settings (wParam: the
    // verifier's ticket, lParam 1: it answered there, 0: not seen).
    ChangeVerified = 16104,
    // The Upgrade command's credential check, run off the window's thread,
    // has ended (wParam: its number).
    UpgradeCheckDone = 16120,
};

// One posted message. A payload travels with the message and belongs to it;
// wParam and lParam carry small values (for the search replies, wParam is
// how many replies were queued with the message, 0 for a drain notification).
struct WindowMessage {
    MessageId id;
    std::uintptr_t wParam = 0;
    std::intptr_t lParam = 0;
    std::vector<std::uint8_t> payload;
};

// What worker and library threads post through. Implementations deliver the
// message later on the thread that owns the window (or the console loop).
class MessagePoster {
public:
    virtual ~MessagePoster() = default;
    virtual void post(WindowMessage message) = 0;
};

} // namespace lorvena
