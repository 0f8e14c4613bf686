// The discovery path from a search reply datagram to a row of the device
// list: the receiver's filter, the parser and the table's duplicate rule,
// as MainController::addOldestReply runs them. The first byte picks the
// reply kind; the rest is the datagram, of any length.
#include "FuzzCheck.h"

#include "control/DeviceListSort.h"
#include "discovery/DeviceTable.h"
#include "discovery/ReplyParser.h"

#include <cstddef>
#include <cstdint>

using namespace lorvena;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const ReplyKind kinds[] = {ReplyKind::OldMode, ReplyKind::Basic, ReplyKind::Extended};
    const ReplyKind kind = kinds[data[0] % 3];
    const ByteView reply(data + 1, size - 1);

    (void)isSearchReply(reply, kind);
    ParsedReply parsed = parseSearchReply(kind, reply);

    DeviceTable table(kind == ReplyKind::OldMode ? TableLayout::OldMode : TableLayout::NewMode);
    parsed.record.number = "1";
    table.append(parsed.record);

    // The same device answering again (every search sends each request more
    // than once) must never make a second row.
    ParsedReply again = parseSearchReply(kind, reply);
    FUZZ_CHECK(table.isDuplicate(again.duplicateRule, again.record.mac, again.record.ip));

    // What the list shows and sorts: every cell of the row.
    DeviceListSort sort;
    for (int column = 0; column < static_cast<int>(table.columnCount()); ++column) {
        (void)table.text(0, column);
        if (sort.clickHeader(column))
            table.sortByColumn(column, [&](std::string_view a, std::string_view b) { return sort.before(a, b); });
    }
    return 0;
}
