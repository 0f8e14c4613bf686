#include "ui/MainWindowLayout.h"

#include <array>

namespace lorvena {

namespace {

using enum ControlId;
using K = ControlKind;

constexpr std::array controls {
    ControlSpec {DeviceList, K::DeviceList, "", 6, 67, 433, 258, true},
    ControlSpec {Search, K::SkinButton, "Wyszukaj", 207, 332, 120, 17, true},
    ControlSpec {ModifyTab, K::SkinButton, "Modify ", 450, 67, 66, 16, true},
    ControlSpec {UpgradeTab, K::SkinButton, "Upgrade", 521, 67, 66, 16, true},
    ControlSpec {ApplyChanges, K::SkinButton, "Zmiana IP", 450, 309, 121, 26, true},
    ControlSpec {NewIp, K::IpAddress, "", 515, 88, 77, 15, true},
    ControlSpec {NetMask, K::IpAddress, "", 515, 110, 77, 15, true},
    ControlSpec {Gateway, K::IpAddress, "", 515, 132, 77, 15, true},
    ControlSpec {OriginalIp, K::IpAddress, "", 126, 0, 87, 15, false},
    ControlSpec {Dhcp, K::CheckBox, "", 452, 223, 9, 10, true},
    ControlSpec {Dns, K::IpAddress, "", 515, 154, 77, 15, true},
    ControlSpec {Close, K::SkinButton, "X", 579, 2, 14, 15, true},
    ControlSpec {Title, K::TitleLabel, "", 7, 0, 71, 13, false},
    ControlSpec {OldIpLabel, K::Label, "Stare IP", 85, 2, 44, 8, false},
    ControlSpec {IpLabel, K::Label, "Adres IP", 452, 92, 44, 8, true},
    ControlSpec {MaskLabel, K::Label, "Maska", 452, 113, 44, 8, true},
    ControlSpec {GatewayLabel, K::Label, "Brama", 452, 135, 44, 12, true},
    ControlSpec {Minimise, K::SkinButton, "-", 562, 2, 14, 15, true},
    ControlSpec {DnsLabel, K::Label, "DNS", 452, 157, 44, 8, true},
    ControlSpec {HttpPortLabel, K::Label, "Http Port", 452, 179, 44, 8, true},
    ControlSpec {RtspPortLabel, K::Label, "Rtsp Port", 452, 201, 44, 8, true},
    ControlSpec {MobilePortLabel, K::Label, "Mobile Port", 452, 223, 44, 8, false},
    ControlSpec {HttpPort, K::DigitEdit, "", 515, 177, 77, 12, true},
    ControlSpec {RtspPort, K::DigitEdit, "", 515, 199, 77, 12, true},
    ControlSpec {PasswordLabel, K::Label, "Password", 451, 267, 44, 8, true},
    ControlSpec {MobilePort, K::DigitEdit, "", 515, 221, 77, 12, false},
    ControlSpec {Password, K::PasswordEdit, "", 514, 265, 77, 12, true},
    ControlSpec {UserNameLabel, K::Label, "Username", 451, 245, 44, 8, true},
    ControlSpec {UserName, K::Edit, "", 514, 243, 77, 12, true},
    ControlSpec {DhcpLabel, K::Label, "DHCP Enable", 461, 223, 44, 8, true},
    ControlSpec {OldModifyTab, K::SkinButton, "Old Modify ", 450, 67, 137, 16, true},
    ControlSpec {ModeDropDown, K::DropDown, "", 3, 17, 98, 64, false},
    ControlSpec {VersionLabel, K::Label, "Ver. 6.1.32.5", 7, 336, 55, 9, true},
    ControlSpec {ModeSwitch, K::SkinButton, "NEW", 545, 2, 14, 15, true},
    ControlSpec {OldModeButton, K::PushButton, "OLD", 99, 50, 87, 15, false},
    ControlSpec {MacLabel, K::Label, "MAC", 451, 299, 44, 8, false},
    ControlSpec {MacText, K::Edit, "", 514, 295, 77, 12, false},
    ControlSpec {OnvifMaskCheck, K::CheckBox, "", 54, 336, 8, 10, true},
    ControlSpec {OnvifMaskLabel, K::Label, "Onvif MultitudeNetmask", 65, 336, 81, 8, true},
    ControlSpec {StartIpLabel, K::Label, "Start IP", 452, 49, 44, 8, true},
    ControlSpec {StartIp, K::IpAddress, "", 515, 45, 77, 15, true},
};

constexpr std::array fontControls {StartIpLabel, StartIp, IpLabel, NewIp, MaskLabel, NetMask, GatewayLabel, Gateway,
    DnsLabel, Dns, HttpPortLabel, HttpPort, RtspPortLabel, RtspPort, MobilePortLabel, MobilePort, Dhcp, UserNameLabel,
    UserName, PasswordLabel, Password, DeviceList};

} // namespace

std::span<const ControlSpec> mainWindowControls()
{
    return controls;
}

std::span<const ControlId> controlsWithWindowFont()
{
    return fontControls;
}

} // namespace lorvena
