#pragma once

namespace lorvena {

// The main window's controls, by the numeric ids the window logic names them
// with. Views map each id to their own widget.
enum class ControlId : int {
    DeviceList = 1000,
    Search = 1001,
    ModifyTab = 1002,
    UpgradeTab = 1003,
    ApplyChanges = 1004,
    NewIp = 1005,
    NetMask = 1006,
    Gateway = 1007,
    OriginalIp = 1008,
    Dhcp = 1009,
    Dns = 1010,
    Close = 1011,
    Title = 1012,
    OldIpLabel = 1013,
    IpLabel = 1014,
    MaskLabel = 1015,
    GatewayLabel = 1016,
    Minimise = 1017,
    DnsLabel = 1018,
    HttpPortLabel = 1019,
    RtspPortLabel = 1020,
    MobilePortLabel = 1021,
    HttpPort = 1022,
    RtspPort = 1023,
    PasswordLabel = 1024,
    MobilePort = 1025,
    Password = 1026,
    UserNameLabel = 1027,
    UserName = 1028,
    DhcpLabel = 1029,
    OldModifyTab = 1030,
    ModeDropDown = 1037,
    VersionLabel = 1038,
    ModeSwitch = 1039,
    OldModeButton = 1040,
    MacLabel = 1041,
    MacText = 1042,
    OnvifMaskCheck = 1044,
    OnvifMaskLabel = 1047,
    StartIpLabel = 1050,
    StartIp = 1051,
};

} // namespace lorvena
