// Linked into every test program: the tests play devices on 127.0.0.1, which
// the program itself never takes as a device's address.

#include "platform/DeviceAddress.h"

namespace {

const bool loopbackDevicesAllowed = [] {
    lorvena::allowLoopbackDevices(true);
    return true;
}();

} // namespace
