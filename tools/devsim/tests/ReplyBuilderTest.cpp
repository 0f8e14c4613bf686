// Byte-exact checks of the three search replies. Offsets and values are
// written out as literals on purpose: they must not come from the code under
// test.

#include "devsim/ReplyBuilder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace lorvena::devsim {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes text(std::string_view value)
{
    return {value.begin(), value.end()};
}

struct Span {
    std::size_t offset;
    Bytes bytes;
};

// A device with every field set to something distinct.
SimulatedDevice fullDevice()
{
    SimulatedDevice device;
    device.kind = "DVR";
    device.name = "Yard";
    device.firmware = "V4.2";
    device.ip = 0x0A01010Au; // 10.1.1.10
    device.mask = "255.255.0.0";
    device.gateway = "10.1.0.1";
    device.dns = "10.1.0.53";
    device.mac = {0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF};
    device.macText = "AA:BB:CC:DD:EE:FF";
    device.httpPort = 8080;
    device.rtspPort = 554;
    device.channels = 16;
    device.dhcp = true;
    device.typeCode = 520;
    return device;
}

struct LayoutCase {
    Generation generation;
    std::size_t size;
    std::vector<Span> spans; // everything else must be zero
};

const std::vector<LayoutCase> layoutCases = {
    {Generation::Old, 280,
        {
            {0, text("search.....")},
            {12, {0x01}},
            {13, text("DVR")},
            {23, {0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF}},
            {30, text("255.255.0.0")},
            {60, text("10.1.1.10")},
            {90, text("Yard")},
            {156, {0x00, 0x00, 0x1F, 0x90}},
            {160, {0x00, 0x00, 0x02, 0x2A}},
            {164, {16}},
        }},
    {Generation::Basic, 348,
        {
            {0, text("searching..")},
            {12, {0x01}},
            {13, text("DVR")},
            {23, {0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF}},
            {30, text("10.1.1.10")},
            {46, text("255.255.0.0")},
            {62, text("10.1.0.1")},
            {78, text("10.1.0.53")},
            {94, text("Yard")},
            {158, text("V4.2")},
            {224, {0x08, 0x02, 0x00, 0x00}},
            {228, {0x00, 0x00, 0x1F, 0x90}},
            {232, {0x00, 0x00, 0x02, 0x2A}},
            {248, {1}},
            {249, {16}},
        }},
    {Generation::Extended, 544,
        {
            {0, text("searching..")},
            {12, {0x0B}},
            {20, {1}},
            {24, text("10.1.1.10")},
            {40, text("255.255.0.0")},
            {56, text("10.1.0.1")},
            {72, text("10.1.0.53")},
            {104, text("AA:BB:CC:DD:EE:FF")},
            {144, text("Yard")},
            {240, {0x00, 0x00, 0x1F, 0x90}},
            {244, {0x00, 0x00, 0x02, 0x2A}},
            {296, {16}},
            {300, {0x08, 0x02, 0x00, 0x00}},
            {304, text("DVR")},
            {384, text("V4.2")},
        }},
};

TEST(ReplyBuilder, EveryByteOfEachReply)
{
    SimulatedDevice device = fullDevice();
    ReplyBuilder builder(device);
    for (const LayoutCase& layout : layoutCases) {
        SCOPED_TRACE(generationName(layout.generation));
        Bytes expected(layout.size, 0);
        for (const Span& span : layout.spans)
            std::copy(span.bytes.begin(), span.bytes.end(), expected.begin() + static_cast<std::ptrdiff_t>(span.offset));
        Bytes reply = builder.build(layout.generation);
        ASSERT_EQ(reply.size(), expected.size());
        for (std::size_t i = 0; i < reply.size(); ++i)
            EXPECT_EQ(reply[i], expected[i]) << "at offset " << i;
    }
}

// Single fields under unusual values.
struct FieldCase {
    const char* what;
    void (*adjust)(SimulatedDevice&);
    Generation generation;
    std::size_t offset;
    Bytes expected;
};

const std::string name64(64, 'N');
const std::string firmware128(128, 'F');

const std::vector<FieldCase> fieldCases = {
    {"a 64-character name fills the old field, no NUL", [](SimulatedDevice& d) { d.name = name64; },
        Generation::Old, 90, text(name64)},
    {"a 64-character name fills the basic field, firmware follows", [](SimulatedDevice& d) { d.name = name64; },
        Generation::Basic, 94, text(name64 + "V4.2")},
    {"a 64-character name fills the extended field", [](SimulatedDevice& d) { d.name = name64; },
        Generation::Extended, 144, text(name64 + '\0')},
    {"a longer name is cut at the field", [](SimulatedDevice& d) { d.name = name64 + "XYZ"; }, Generation::Basic,
        94, text(name64 + "V4.2")},
    {"a 128-character firmware fills its extended field", [](SimulatedDevice& d) { d.firmware = firmware128; },
        Generation::Extended, 384, text(firmware128 + std::string(32, '\0'))},
    {"windows-1250 name",
        [](SimulatedDevice& d) {
            d.name = "Łódź";
            d.encoding = TextEncoding::Windows1250;
        },
        Generation::Basic, 94, {0xA3, 0xF3, 'd', 0x9F, 0x00}},
    {"utf-8 name stays utf-8", [](SimulatedDevice& d) { d.name = "Łódź"; }, Generation::Extended, 144,
        {0xC5, 0x81, 0xC3, 0xB3, 'd', 0xC5, 0xBA, 0x00}},
    {"negative type code, little-endian", [](SimulatedDevice& d) { d.typeCode = -2; }, Generation::Basic, 224,
        {0xFE, 0xFF, 0xFF, 0xFF}},
    {"type code byte order", [](SimulatedDevice& d) { d.typeCode = 0x01020304; }, Generation::Extended, 300,
        {0x04, 0x03, 0x02, 0x01}},
    {"port 80 big-endian", [](SimulatedDevice& d) { d.httpPort = 80; }, Generation::Old, 156,
        {0x00, 0x00, 0x00, 0x50}},
    {"port 65535 big-endian", [](SimulatedDevice& d) { d.rtspPort = 65535; }, Generation::Extended, 244,
        {0x00, 0x00, 0xFF, 0xFF}},
    {"dhcp off (basic)", [](SimulatedDevice& d) { d.dhcp = false; }, Generation::Basic, 248, {0x00, 16}},
    {"dhcp off (extended)", [](SimulatedDevice& d) { d.dhcp = false; }, Generation::Extended, 20, {0x00}},
    {"mac_text is sent as given", [](SimulatedDevice& d) { d.macText = "aa-bb-cc-dd-ee-ff"; },
        Generation::Extended, 104, text(std::string("aa-bb-cc-dd-ee-ff") + '\0')},
    {"a 10-character kind fills the old field up to the MAC",
        [](SimulatedDevice& d) { d.kind = "IPCAMERA01"; }, Generation::Old, 13,
        {'I', 'P', 'C', 'A', 'M', 'E', 'R', 'A', '0', '1', 0xAA}},
    {"a 16-character address text fills the basic field", [](SimulatedDevice& d) { d.mask = "255.255.255.255x"; },
        Generation::Basic, 46, text("255.255.255.255x10.1.0.1")},
};

TEST(ReplyBuilder, FieldEdgeCases)
{
    for (const FieldCase& field : fieldCases) {
        SCOPED_TRACE(field.what);
        SimulatedDevice device = fullDevice();
        field.adjust(device);
        Bytes reply = ReplyBuilder(device).build(field.generation);
        ASSERT_LE(field.offset + field.expected.size(), reply.size());
        Bytes actual(reply.begin() + static_cast<std::ptrdiff_t>(field.offset),
            reply.begin() + static_cast<std::ptrdiff_t>(field.offset + field.expected.size()));
        EXPECT_EQ(actual, field.expected);
    }
}

} // namespace
} // namespace lorvena::devsim
