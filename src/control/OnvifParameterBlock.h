#pragma once

#include "control/FormValues.h"
#include "sdk/onvif/OnvifAccess.h"

#include <cstdint>
#include <string_view>

namespace lorvena {

// The settings block of an ONVIF change: the device record's layout,
// zero-filled, carrying the MAC text, the form's mask and gateway, the new
// address, the form's HTTP port and the DHCP flag. DNS and the RTSP port do
// not travel this way. Unlike the UDP requests, the addresses go out even
// with DHCP on.
OnvifNetParam onvifParameterBlock(const FormValues& form, std::string_view macText, std::uint32_t newAddress);

} // namespace lorvena
