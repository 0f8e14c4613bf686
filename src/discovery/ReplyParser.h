#pragma once

#include "discovery/DeviceRecord.h"
#include "discovery/DeviceTable.h"
#include "discovery/SearchPackets.h"

#include <string_view>

namespace lorvena {

// A search reply turned into display texts. The row number is left empty:
// the table assigns it when the row is appended.
struct ParsedReply {
    DeviceRecord record;
    DuplicateRule duplicateRule;
    // Basic replies list only devices whose kind names a known device family;
    // the other replies list every kind.
    bool listed;
};

// `reply` holds the reply's full size (shorter datagrams are zero-padded).
ParsedReply parseSearchReply(ReplyKind kind, ByteView reply);

// True when the kind text names one of the device families the tool serves.
bool isKnownDeviceKind(std::string_view kindText);

// Display conversions shared with the ONVIF records.
std::string macText(ByteView sixBytes);
// A name or firmware text; empty when it would need more than 127 UTF-16
// characters including a terminator (the list's cell limit).
std::string limitedDisplayText(std::string_view deviceBytes);

} // namespace lorvena
