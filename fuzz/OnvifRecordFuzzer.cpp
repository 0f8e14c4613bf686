// An ONVIF device record as the search hands it to the window (the message
// payload), through the parser into the device list, as
// MainController::onvifDevice does.
#include "FuzzCheck.h"

#include "discovery/DeviceTable.h"
#include "control/OnvifRecordParser.h"

#include <cstddef>
#include <cstdint>

using namespace lorvena;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    ParsedOnvifRecord parsed = parseOnvifRecord(ByteView(data, size));
    DeviceTable table(TableLayout::NewMode);
    parsed.record.number = "1";
    table.append(parsed.record);
    FUZZ_CHECK(table.isDuplicate(DuplicateRule::SameMacOrIp, parsed.macKey, parsed.record.ip));
    for (int column = 0; column < static_cast<int>(table.columnCount()); ++column)
        (void)table.text(0, column);
    return 0;
}
