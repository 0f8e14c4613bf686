#include "ui/MainWindowAccess.h"

#include "controls/CIpAddressEdit.h"
#include "controls/CSortListCtrl.h"
#include "ui/CDlgUpgrade.h"

#include <QAbstractButton>
#include <QLabel>

#include <array>
#include <utility>

namespace lorvena {

namespace {

using enum ControlId;

constexpr std::array formOrder {DeviceList, Search, OnvifMaskCheck, OldModifyTab, ModifyTab, UpgradeTab, StartIp, NewIp,
    NetMask, Gateway, Dns, HttpPort, RtspPort, MobilePort, Dhcp, UserName, Password, MacText, ApplyChanges};

constexpr std::array titleBandOrder {ControlId::ModeSwitch, Minimise, Close};

constexpr std::array<std::pair<ControlId, ControlId>, 14> labelFor {{
    {OldIpLabel, OriginalIp},
    {IpLabel, NewIp},
    {MaskLabel, NetMask},
    {GatewayLabel, Gateway},
    {DnsLabel, Dns},
    {HttpPortLabel, HttpPort},
    {RtspPortLabel, RtspPort},
    {MobilePortLabel, MobilePort},
    {PasswordLabel, Password},
    {UserNameLabel, UserName},
    {DhcpLabel, Dhcp},
    {MacLabel, MacText},
    {OnvifMaskLabel, OnvifMaskCheck},
    {StartIpLabel, StartIp},
}};

// The skin buttons say what their pictures show: the captions drawn on
// them, or for the small buttons of the title band what they do.
constexpr std::array<std::pair<ControlId, const char*>, 8> skinButtonNames {{
    {Search, "Wyszukaj"},
    {ApplyChanges, "Zmiana IP"},
    {ModifyTab, "Konfiguracja"},
    {UpgradeTab, "Aktualizacja"},
    {OldModifyTab, "Konfiguracja"},
    {ControlId::ModeSwitch, "Przełącz generację protokołu"},
    {Minimise, "Minimalizuj"},
    {Close, "Zamknij"},
}};

QWidget* find(const std::map<ControlId, QWidget*>& controls, ControlId id)
{
    auto found = controls.find(id);
    return found == controls.end() ? nullptr : found->second;
}

} // namespace

void setMainWindowTabOrder(const std::map<ControlId, QWidget*>& controls, CDlgUpgrade* panel)
{
    // The "Old Modify" tab does nothing when pressed: not worth a stop.
    if (QWidget* oldTab = find(controls, OldModifyTab))
        oldTab->setFocusPolicy(Qt::NoFocus);
    // Tab leaves the list instead of walking its cells.
    if (auto* list = qobject_cast<CSortListCtrl*>(find(controls, DeviceList)))
        list->setTabKeyNavigation(false);

    QWidget* previous = nullptr;
    auto follow = [&previous](QWidget* next) {
        if (!next)
            return;
        // Qt leaves the chain as it is for a widget that takes no focus, so
        // such a widget would break it in two. An address box takes it
        // through its first field.
        const QWidget* taker = next;
        while (taker->focusProxy())
            taker = taker->focusProxy();
        if (taker->focusPolicy() == Qt::NoFocus)
            return;
        if (previous)
            QWidget::setTabOrder(previous, next);
        previous = next;
    };
    for (ControlId id : formOrder)
        follow(find(controls, id));
    // The panel stands where the form is; its fields come where the form's
    // end.
    for (CDlgUpgrade::Id id : {CDlgUpgrade::Id::Path, CDlgUpgrade::Id::Browse, CDlgUpgrade::Id::UserName,
             CDlgUpgrade::Id::Password, CDlgUpgrade::Id::Upgrade})
        follow(panel->control(id));
    for (ControlId id : titleBandOrder)
        follow(find(controls, id));
}

void nameMainWindowControls(const std::map<ControlId, QWidget*>& controls)
{
    for (const auto& [labelId, controlId] : labelFor) {
        auto* label = qobject_cast<QLabel*>(find(controls, labelId));
        QWidget* control = find(controls, controlId);
        if (!label || !control)
            continue;
        label->setBuddy(control);
        labelTextChanged(label);
    }
    for (const auto& [id, name] : skinButtonNames) {
        if (QWidget* button = find(controls, id))
            button->setAccessibleName(QString::fromUtf8(name));
    }
    if (QWidget* list = find(controls, DeviceList))
        list->setAccessibleName(QStringLiteral("Lista urządzeń"));
    if (QWidget* dropDown = find(controls, ModeDropDown))
        dropDown->setAccessibleName(QStringLiteral("Generacja protokołu"));
}

void labelTextChanged(QLabel* label)
{
    // Edits and address fields find their label by themselves each time
    // they are read; a check box reads only its own text, and the octets of
    // an address are edits of their own.
    QWidget* buddy = label->buddy();
    const QString name = label->text().trimmed();
    if (auto* box = qobject_cast<QAbstractButton*>(buddy))
        box->setAccessibleName(name);
    else if (auto* address = qobject_cast<CIpAddressEdit*>(buddy))
        address->setFieldsName(name);
}

} // namespace lorvena
