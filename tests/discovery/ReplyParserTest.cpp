#include "discovery/ReplyParser.h"

#include "discovery/ReplyBytes.h"

#include <gtest/gtest.h>

namespace lorvena {
namespace {

using testing_support::basicReply;
using testing_support::extendedReply;
using testing_support::oldModeReply;

TEST(ReplyParser, OldModeReplyFillsTheOldLayoutFields)
{
    auto reply = oldModeReply()
                     .text(13, "DVR")
                     .raw(23, {0x00, 0x1a, 0x2b, 0x3c, 0x4d, 0xfe})
                     .text(30, "255.255.255.0")
                     .text(60, "192.168.1.10")
                     .text(90, "Magazyn")
                     .raw(156, {0, 0, 0, 0x50})
                     .raw(160, {0, 0, 0x02, 0x2A})
                     .raw(164, {16});
    ParsedReply parsed = parseSearchReply(ReplyKind::OldMode, reply.bytes());
    const DeviceRecord& r = parsed.record;
    EXPECT_EQ(r.kind, "DVR");
    EXPECT_EQ(r.mac, "00:1A:2B:3C:4D:FE");
    EXPECT_EQ(r.mask, "255.255.255.0");
    EXPECT_EQ(r.ip, "192.168.1.10");
    EXPECT_EQ(r.name, "Magazyn");
    EXPECT_EQ(r.httpPort, "80");
    EXPECT_EQ(r.rtspPort, "554");
    EXPECT_EQ(r.channels, "16");
    EXPECT_EQ(parsed.duplicateRule, DuplicateRule::SameIp);
    EXPECT_TRUE(parsed.listed);
}

TEST(ReplyParser, BasicReplyFillsEveryNewLayoutField)
{
    auto reply = basicReply()
                     .text(13, "IPCAMERA")
                     .raw(23, {0xAA, 0xBB, 0xCC, 0x01, 0x02, 0x03})
                     .text(30, "10.1.0.20")
                     .text(46, "255.255.0.0")
                     .text(62, "10.1.0.1")
                     .text(78, "8.8.8.8")
                     .text(94, "Wej\xC5\x9B\x63ie")
                     .text(158, "V4.2.1 build 241001")
                     .raw(224, {0x01, 0x00, 0x00, 0x00})
                     .raw(228, {0, 0, 0x1F, 0x90})
                     .raw(232, {0, 0, 0x02, 0x2A})
                     .raw(248, {1, 4});
    ParsedReply parsed = parseSearchReply(ReplyKind::Basic, reply.bytes());
    const DeviceRecord& r = parsed.record;
    EXPECT_EQ(r.kind, "IPCAMERA");
    EXPECT_EQ(r.mac, "AA:BB:CC:01:02:03");
    EXPECT_EQ(r.ip, "10.1.0.20");
    EXPECT_EQ(r.mask, "255.255.0.0");
    EXPECT_EQ(r.gateway, "10.1.0.1");
    EXPECT_EQ(r.dns, "8.8.8.8");
    EXPECT_EQ(r.name, "Wej\xC5\x9B\x63ie");
    EXPECT_EQ(r.firmware, "V4.2.1 build 241001");
    EXPECT_EQ(r.typeCode, "1");
    EXPECT_EQ(r.httpPort, "8080");
    EXPECT_EQ(r.rtspPort, "554");
    EXPECT_EQ(r.dhcp, "Aktywne");
    EXPECT_EQ(r.channels, "4");
    EXPECT_EQ(parsed.duplicateRule, DuplicateRule::SameMacOrIp);
    EXPECT_TRUE(parsed.listed);
}

TEST(ReplyParser, ExtendedReplyFillsEveryNewLayoutField)
{
    auto reply = extendedReply()
                     .raw(20, {1})
                     .text(24, "10.2.0.30")
                     .text(40, "255.255.255.0")
                     .text(56, "10.2.0.1")
                     .text(72, "10.2.0.2")
                     .text(104, "aa-bb-cc-00-11-22")
                     .text(144, "Brama wjazdowa")
                     .raw(240, {0, 0, 0, 0x50})
                     .raw(244, {0, 0, 0x22, 0xB8})
                     .raw(296, {32})
                     .raw(300, {0x08, 0x02, 0x00, 0x00})
                     .text(304, "NVR")
                     .text(384, "NVR-3.0");
    ParsedReply parsed = parseSearchReply(ReplyKind::Extended, reply.bytes());
    const DeviceRecord& r = parsed.record;
    EXPECT_EQ(r.dhcp, "Aktywne");
    EXPECT_EQ(r.ip, "10.2.0.30");
    EXPECT_EQ(r.mask, "255.255.255.0");
    EXPECT_EQ(r.gateway, "10.2.0.1");
    EXPECT_EQ(r.dns, "10.2.0.2");
    EXPECT_EQ(r.mac, "aa-bb-cc-00-11-22"); // shown as the device wrote it
    EXPECT_EQ(r.name, "Brama wjazdowa");
    EXPECT_EQ(r.httpPort, "80");
    EXPECT_EQ(r.rtspPort, "8888");
    EXPECT_EQ(r.channels, "32");
    EXPECT_EQ(r.typeCode, "520");
    EXPECT_EQ(r.kind, "NVR");
    EXPECT_EQ(r.firmware, "NVR-3.0");
    EXPECT_EQ(parsed.duplicateRule, DuplicateRule::SameMacAndIpInOneRow);
}

struct ConversionCase {
    const char* name;
    std::vector<std::uint8_t> reply;
    ReplyKind kind;
    DeviceField field;
    std::string expected;
};

void PrintTo(const ConversionCase& testCase, std::ostream* out)
{
    *out << testCase.name;
}


class ReplyConversion : public testing::TestWithParam<ConversionCase> {};

TEST_P(ReplyConversion, ShowsTheCellText)
{
    ParsedReply parsed = parseSearchReply(GetParam().kind, GetParam().reply);
    EXPECT_EQ(parsed.record.field(GetParam().field), GetParam().expected);
}

std::string repeated(char c, std::size_t count)
{
    return std::string(count, c);
}

INSTANTIATE_TEST_SUITE_P(Fields, ReplyConversion,
    testing::Values(
        ConversionCase {"TypeCodeIsLittleEndian", basicReply().raw(224, {0, 0, 0, 1}).bytes(), ReplyKind::Basic,
            DeviceField::TypeCode, "16777216"},
        ConversionCase {"NegativeTypeCode", basicReply().raw(224, {0xFF, 0xFF, 0xFF, 0xFF}).bytes(), ReplyKind::Basic,
            DeviceField::TypeCode, "-1"},
        ConversionCase {"PortShownSigned", basicReply().raw(228, {0xFF, 0xFF, 0xFF, 0xFE}).bytes(), ReplyKind::Basic,
            DeviceField::HttpPort, "-2"},
        ConversionCase {"DhcpOnlyWhenExactlyOne", basicReply().raw(248, {2}).bytes(), ReplyKind::Basic,
            DeviceField::Dhcp, "Nieaktywne"},
        ConversionCase {"ExtendedDhcpOff", extendedReply().bytes(), ReplyKind::Extended, DeviceField::Dhcp,
            "Nieaktywne"},
        ConversionCase {"ChannelsUnsigned", oldModeReply().raw(164, {200}).bytes(), ReplyKind::OldMode,
            DeviceField::Channels, "200"},
        ConversionCase {"OldNameCutTo63", oldModeReply().text(90, repeated('N', 64)).bytes(), ReplyKind::OldMode,
            DeviceField::Name, repeated('N', 63)},
        ConversionCase {"BasicNameCutTo63", basicReply().text(94, repeated('N', 64)).bytes(), ReplyKind::Basic,
            DeviceField::Name, repeated('N', 63)},
        ConversionCase {"BasicKindCutTo9", basicReply().text(13, "IPCAMERA12").bytes(), ReplyKind::Basic,
            DeviceField::Kind, "IPCAMERA1"},
        ConversionCase {"IpBoundedByItsField", basicReply().text(30, "1111111111111111").bytes(), ReplyKind::Basic,
            DeviceField::Ip, repeated('1', 15)},
        // A full 66-byte firmware field ends at the field, not in the type code.
        ConversionCase {"BasicFirmwareStopsAtItsField",
            basicReply().text(158, repeated('F', 66)).raw(224, {'X', 0, 0, 0}).bytes(), ReplyKind::Basic,
            DeviceField::Firmware, repeated('F', 66)},
        ConversionCase {"ExtendedFirmwareOf126Shown", extendedReply().text(384, repeated('F', 126)).bytes(),
            ReplyKind::Extended, DeviceField::Firmware, repeated('F', 126)},
        // 127 characters and a terminator exceed the cell limit: empty cell.
        ConversionCase {"ExtendedFirmwareOf127Empty", extendedReply().text(384, repeated('F', 127)).bytes(),
            ReplyKind::Extended, DeviceField::Firmware, ""},
        ConversionCase {"ExtendedMacBoundedByItsField", extendedReply().text(104, repeated('m', 40)).text(144, "x").bytes(),
            ReplyKind::Extended, DeviceField::Mac, repeated('m', 40)},
        ConversionCase {"Windows1250Name", oldModeReply().text(90, "\xA3\xF3\x64\x9F").bytes(), ReplyKind::OldMode,
            DeviceField::Name, "\xc5\x81\xc3\xb3\x64\xc5\xba"}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

TEST(ReplyParser, ShortReplyReadsAsZeroPadded)
{
    auto full = basicReply().text(13, "DVR").text(30, "10.0.0.9").raw(228, {0, 0, 0, 80}).bytes();
    std::vector<std::uint8_t> shortReply(full.begin(), full.begin() + 36);
    ParsedReply parsed = parseSearchReply(ReplyKind::Basic, shortReply);
    EXPECT_EQ(parsed.record.kind, "DVR");
    EXPECT_EQ(parsed.record.ip, "10.0.0");
    EXPECT_EQ(parsed.record.httpPort, "0");
}

TEST(ReplyParser, BasicKindFilterNeedsAFamilyKeyword)
{
    struct Case {
        const char* kind;
        bool listed;
    } cases[] = {{"DVR", true}, {"IPCAMERA", true}, {"DECODER", true}, {"NVR", true}, {"HVR", true}, {"XVR", true},
        {"MINI-NVR", true}, {"IPC", false}, {"ipcamera", false}, {"", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        EXPECT_EQ(parseSearchReply(ReplyKind::Basic, basicReply().text(13, c.kind).bytes()).listed, c.listed);
        EXPECT_TRUE(parseSearchReply(ReplyKind::Extended, extendedReply().text(304, c.kind).bytes()).listed);
    }
}

} // namespace
} // namespace lorvena
