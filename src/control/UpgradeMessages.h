#pragma once

#include "control/ChangeRules.h"

#include <string_view>

namespace lorvena::UpgradeMessages {

inline constexpr std::string_view chooseDevice = "Please choose the device!";
inline constexpr std::string_view selectFile = "Please select file!";
inline constexpr std::string_view invalidFile = "Invalid uploading file!";
inline constexpr std::string_view adminAccount = "Please enter the administrator account!";
inline constexpr std::string_view passwordTooLong = "Enter password no more than 31 character!";
inline constexpr std::string_view onvifRefused = "Onvif Device does not support to upgrade!!";
inline constexpr std::string_view upgrading = "the device is upgrading!!";
// The credential check's answers, as "Zmiana IP" gives them.
inline constexpr std::string_view wrongPassword = ChangeMessages::wrongPassword;
inline constexpr std::string_view noConnection = ChangeMessages::noConnection;
inline constexpr std::string_view badAddress = ChangeMessages::badAddress;
inline constexpr std::string_view uploadFailed = "Upload file failed!";
inline constexpr std::string_view sdkStartRefused = "Upgrade is failed!";
inline constexpr std::string_view sdkFailed = "Upgrade fail!";
inline constexpr std::string_view connectFailed = "Connect fail!";
inline constexpr std::string_view packageError = "Upgrade package error!";
inline constexpr std::string_view openInterrupted = "密码错误";
inline constexpr std::string_view videoServerFailed = "Upgrade failed!";
// Our own: without the right to send echo requests the restart cannot be
// seen, and an upgrade is never reported as done unseen.
inline constexpr std::string_view cannotWatch =
    "The device took the package, but its restart cannot be watched: this program may not send ping (ICMP). "
    "Check the device before using it.";

} // namespace lorvena::UpgradeMessages
