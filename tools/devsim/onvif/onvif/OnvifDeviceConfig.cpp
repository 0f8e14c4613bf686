#include "onvif/OnvifDeviceConfig.h"

namespace lorvena::devsim::onvif {

OnvifDeviceState InitialState(const OnvifDeviceConfig& config)
{
    OnvifDeviceState state;
    state.servingAddress = config.address;
    state.servingPort = config.httpPort;
    state.address = config.address;
    state.httpPort = config.httpPort;
    state.prefixLength = config.prefixLength;
    state.gateway = config.gateway;
    state.dns = config.dns;
    state.dhcp = config.dhcp;
    return state;
}

} // namespace lorvena::devsim::onvif
