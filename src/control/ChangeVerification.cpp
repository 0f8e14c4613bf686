#include "control/ChangeVerification.h"

namespace lorvena {

ChangeExpectation selectedExpectation(
    VerifyGeneration generation, const FormValues& form, const SelectedDevice& selected, const std::string& formerIp)
{
    ChangeExpectation expected;
    expected.generation = generation;
    expected.identity = selected.macText;
    expected.formerIp = formerIp;
    expected.expectedIp = form.newIp;
    expected.dhcp = generation != VerifyGeneration::Old && form.dhcpEnabled;
    expected.listedMac = selected.macText;
    return expected;
}

ChangeExpectation batchExpectation(VerifyGeneration generation, const BatchEntry& entry, std::uint32_t newAddress)
{
    ChangeExpectation expected;
    expected.generation = generation;
    expected.identity = entry.mac;
    expected.formerIp = entry.ip;
    expected.expectedIp = newAddress;
    expected.dhcp = false;
    expected.rowId = entry.rowId;
    expected.listedMac = entry.mac;
    return expected;
}

} // namespace lorvena
