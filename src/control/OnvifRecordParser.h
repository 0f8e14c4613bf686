#pragma once

#include "discovery/DeviceRecord.h"
#include "discovery/WireBytes.h"

#include <cstddef>
#include <string>

namespace lorvena {

// The ONVIF library's 1192-byte device record, as the controller reads it
// into a row.
inline constexpr std::size_t onvifRecordSize = 1192;

// A device record of the ONVIF library turned into the cells of the new
// layout. The row number is left empty: the table assigns it.
struct ParsedOnvifRecord {
    DeviceRecord record;
    // What the duplicate scan compares with the "MAC" column: the first six
    // bytes of the record's MAC field as "%02X:%02X:...". For the usual text
    // of twelve hexadecimal digits these are the character codes of its
    // first six characters, which a listed MAC rarely equals (an ONVIF row
    // shows the text itself), so in practice an ONVIF device is dropped as
    // a duplicate by its address.
    std::string macKey;
};

// `record` holds the record's full size; a shorter buffer reads as if
// zero-padded. Integers are in this machine's byte order (the library runs
// in-process).
ParsedOnvifRecord parseOnvifRecord(ByteView record);

} // namespace lorvena
