#pragma once

#include "config/ChangeVerifier.h"
#include "control/FormValues.h"
#include "control/SelectedDevice.h"

namespace lorvena {

// Where "Zmiana IP" hands over each device it reports as changed, so that
// the device is looked for at its new settings. One call per device, from
// the window's thread or a batch's worker. The program hands them to a
// ChangeVerifier; tests record them.
class ChangeVerification {
public:
    virtual ~ChangeVerification() = default;
    virtual void changeReported(const ChangeExpectation& expected) = 0;
};

// The selected device, changed with what the form holds. Devices of the old
// generation have no DHCP flag: they keep a fixed address.
ChangeExpectation selectedExpectation(
    VerifyGeneration generation, const FormValues& form, const SelectedDevice& selected, const std::string& formerIp);
// A device of a batch, given `newAddress` (a batch never turns DHCP on).
ChangeExpectation batchExpectation(VerifyGeneration generation, const BatchEntry& entry, std::uint32_t newAddress);

} // namespace lorvena
