#include "control/AddressUse.h"

#include "discovery/MacText.h"
#include "platform/LocalAddresses.h"

namespace lorvena {

std::vector<KnownDevice> ListKnownDevices(const DeviceTable& table)
{
    std::vector<KnownDevice> known;
    known.reserve(table.rowCount());
    for (std::size_t row = 0; row < table.rowCount(); ++row) {
        const DeviceRecord& record = table.row(row);
        known.push_back({record.ip, record.mac, record.name});
    }
    // Every device kept off the list, also where no row shows its address
    // any more: the row it hid behind may have moved away since.
    for (const DeviceRecord& record : table.hidden())
        known.push_back({record.ip, record.mac, record.name});
    return known;
}

EchoResult IcmpAddressPing::ping(const std::string& ip, std::chrono::milliseconds timeout)
{
    if (!addresses_ || addresses_().empty())
        return EchoResult::Silent;
    static constexpr EchoSocketKind datagramOnly[] = {EchoSocketKind::Datagram};
    const std::vector<std::uint8_t> request = BuildDataBufferEcho(EchoIdentifier());
    return EchoThrough(datagramOnly, ip, request, timeout);
}

AddressUseCheck::AddressUseCheck(std::vector<KnownDevice> known, AddressPing* ping, std::chrono::milliseconds pingWait)
    : known_(std::move(known)), ping_(ping), pingWait_(pingWait)
{
}

AddressUse AddressUseCheck::check(std::uint32_t address, std::string_view ownMac, Pinging pinging) const
{
    const std::string ip = dottedAddress(address);
    for (const KnownDevice& device : known_) {
        // A device with no MAC text (an ONVIF row) is never taken for the
        // one being changed: its own address is left out before this.
        const bool itself = !ownMac.empty() && (device.mac == ownMac || sameMac(device.mac, ownMac));
        if (device.ip != ip || itself)
            continue;
        std::string who = device.mac;
        if (!device.name.empty())
            who += (who.empty() ? "" : " ") + device.name;
        return {AddressHolder::Listed, who, false};
    }
    if (!ping_ || pinging == Pinging::No)
        return {};
    switch (ping_->ping(ip, pingWait_)) {
    case EchoResult::Answered:
        return {AddressHolder::Answering, {}, false};
    case EchoResult::Silent:
        break;
    case EchoResult::NoSocket:
        return {AddressHolder::Nobody, {}, true};
    }
    return {};
}

} // namespace lorvena
