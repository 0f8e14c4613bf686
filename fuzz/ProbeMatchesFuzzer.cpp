// A WS-Discovery answer datagram through everything that needs no further
// request: the ProbeMatch reader, the choice of service address, name and
// type, the device record the library hands to the search routine, and the
// window's reading of that record into a row.
#include "FuzzCheck.h"

#include "discovery/DeviceTable.h"
#include "control/OnvifRecordParser.h"
#include "sdk/onvif/DeviceRecordFields.h"
#include "sdk/onvif/WsDiscoveryMessages.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

using namespace lorvena;
using namespace lorvena::onvif;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view datagram(reinterpret_cast<const char*>(data), size);
    constexpr std::uint32_t source = 0x0A000002; // the answer's sender

    DeviceTable table(TableLayout::NewMode);
    for (const ProbeMatch& match : ParseProbeMatches(datagram)) {
        FUZZ_CHECK(!match.endpoint.empty() || !match.xaddrs.empty());
        for (const std::string& xaddr : match.xaddrs)
            (void)ParseServiceUrl(xaddr);
        const ServiceAddress service = ChooseServiceAddress(match, source);
        DiscoveredDevice device;
        device.address = service.address;
        device.port = service.port;
        device.typeCode = TypeCodeFor(match.types);
        device.name = NameFromScopes(match.scopes);

        const OnvifDeviceRecord record = MakeDeviceRecord(device);
        FUZZ_CHECK(std::memchr(record.name, 0, sizeof record.name) != nullptr);
        ParsedOnvifRecord parsed =
            parseOnvifRecord(ByteView(reinterpret_cast<const std::uint8_t*>(&record), sizeof record));
        if (table.isDuplicate(DuplicateRule::SameMacOrIp, parsed.macKey, parsed.record.ip))
            continue;
        parsed.record.number = std::to_string(table.rowCount() + 1);
        table.append(std::move(parsed.record));
    }
    return 0;
}
