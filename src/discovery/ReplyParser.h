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

// What the duplicate rules and the kind filter look at, read before the rest
// of a reply: a search brings most devices' answers more than once, and a
// repeat needs nothing more.
struct ReplyKey {
    std::string mac;
    std::string ip;
    DuplicateRule duplicateRule;
    // As ParsedReply::listed.
    bool listed;
};

// `reply` holds the reply's full size (shorter datagrams are zero-padded).
ParsedReply parseSearchReply(ReplyKind kind, ByteView reply);
ReplyKey readReplyKey(ReplyKind kind, ByteView reply);
// The rest of the reply around its key, read by readReplyKey() from the
// same bytes.
ParsedReply parseSearchReply(ReplyKind kind, ByteView reply, ReplyKey key);

// True when the kind text names one of the device families the tool serves.
bool isKnownDeviceKind(std::string_view kindText);

// Display conversions shared with the ONVIF records.
std::string macText(ByteView sixBytes);
// A name or firmware text; empty when it would need more than 127 UTF-16
// characters including a terminator (the list's cell limit).
std::string limitedDisplayText(std::string_view deviceBytes);

} // namespace lorvena
