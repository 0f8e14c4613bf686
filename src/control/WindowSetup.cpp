#include "control/WindowSetup.h"

#include <initializer_list>

namespace lorvena {

namespace {

using enum ControlId;

void show(MainView& view, std::initializer_list<ControlId> ids, bool visible)
{
    for (ControlId id : ids)
        view.setVisible(id, visible);
}

void setCommonTexts(MainView& view)
{
    view.setWindowTitle("Lorvena");
    view.setText(Search, "Wyszukaj");
    view.setText(ApplyChanges, "Zmiana IP");
    view.setText(GatewayLabel, "Brama");
    view.setText(MaskLabel, "Maska");
    view.setText(IpLabel, "Adres IP");
    view.setText(OldIpLabel, "Stare IP");
}

void setUpOldGeneration(MainView& view)
{
    setCommonTexts(view);
    show(view, {OnvifMaskCheck, OnvifMaskLabel}, false);
    view.setSelected(ModifyTab, true);
    view.setSelected(UpgradeTab, false);
    show(view, {UpgradeTab, ModifyTab, StartIpLabel, StartIp}, false);
    show(view, {IpLabel, NewIp, MaskLabel, NetMask, GatewayLabel, Gateway}, true);
    show(view,
        {DnsLabel, Dns, HttpPortLabel, HttpPort, RtspPortLabel, RtspPort, MobilePortLabel, MobilePort, Dhcp,
            UserNameLabel, UserName, PasswordLabel, Password, DhcpLabel},
        false);
}

void setUpNewGeneration(MainView& view)
{
    setCommonTexts(view);
    show(view, {OnvifMaskCheck, OnvifMaskLabel}, true);
    view.setText(DnsLabel, "DNS");
    view.setText(HttpPortLabel, "Port HTTP");
    view.setText(RtspPortLabel, "Port RTSP");
    view.setText(DhcpLabel, "DHCP");
    view.setText(UserNameLabel, "Użytkownik");
    view.setText(PasswordLabel, "Hasło ");
    show(view, {StartIpLabel, StartIp}, false);
    view.setVisible(OldModifyTab, false);
    view.setSelected(ModifyTab, true);
    view.setSelected(UpgradeTab, false);
}

} // namespace

void setUpControls(MainView& view, int searchMode)
{
    view.setSelected(OldModifyTab, true);
    // The tooltip names the generation a click switches to.
    view.setToolTip(ModeSwitch, searchMode == 0 ? "New" : "Stare");
    view.setText(OnvifMaskLabel, "ONVIF tryb maski");
    if (searchMode == 0)
        setUpOldGeneration(view);
    else
        setUpNewGeneration(view);
}

void showModifyForm(MainView& view, bool visible)
{
    show(view,
        {DnsLabel, Dns, IpLabel, NewIp, MaskLabel, NetMask, GatewayLabel, Gateway, HttpPortLabel, HttpPort,
            RtspPortLabel, RtspPort, Dhcp, PasswordLabel, Password, UserNameLabel, UserName, ApplyChanges},
        visible);
}

} // namespace lorvena
