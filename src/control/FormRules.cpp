#include "control/FormRules.h"

#include "platform/TextNumbers.h"

namespace lorvena {

void applyDhcpRule(MainView& view, WindowState& state)
{
    state.form = view.readForm();
    for (ControlId id : {ControlId::NewIp, ControlId::NetMask, ControlId::Gateway, ControlId::Dns})
        view.setEnabled(id, !state.form.dhcpEnabled);
}

void applyHttpPortRule(MainView& view, WindowState& state)
{
    state.form = view.readForm();
    std::int32_t type = leadingInteger(state.selected.typeText);
    if (type >= 500 && type < 700)
        state.form.rtspPortText = state.form.httpPortText;
    view.writeForm(state.form);
}

} // namespace lorvena
