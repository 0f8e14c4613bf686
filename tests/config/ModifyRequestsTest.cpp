// The three modify requests byte for byte. Expected packets are written at
// literal offsets here, independently of the layout constants of the code.

#include "config/ModifyRequests.h"
#include "config/PasswordCipher.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <iomanip>
#include <sstream>
#include <string>
#include <vector>

namespace lorvena {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct Field {
    std::size_t offset;
    Bytes bytes;
};

Bytes text(std::string_view value)
{
    return Bytes(value.begin(), value.end());
}

Bytes le32(std::uint32_t value)
{
    return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
        static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
}

Bytes enciphered(std::string_view password)
{
    std::array<std::uint8_t, 32> plain {};
    std::copy(password.begin(), password.end(), plain.begin());
    std::array<std::uint8_t, 32> cipher {};
    PasswordCipher(plain.data(), cipher.data());
    return Bytes(cipher.begin(), cipher.end());
}

enum class Kind { Old, Basic, Extended };

Bytes build(Kind kind, const ModifyValues& values)
{
    switch (kind) {
    case Kind::Old: {
        auto packet = buildOldModifyRequest(values);
        return Bytes(packet.begin(), packet.end());
    }
    case Kind::Basic: {
        auto packet = buildBasicModifyRequest(values);
        return Bytes(packet.begin(), packet.end());
    }
    case Kind::Extended: {
        auto packet = buildExtendedModifyRequest(values);
        return Bytes(packet.begin(), packet.end());
    }
    }
    return {};
}

std::size_t sizeOf(Kind kind)
{
    return kind == Kind::Old ? 263 : kind == Kind::Basic ? 180 : 424;
}

// Every field the packet should hold; all other bytes are zero.
Bytes image(Kind kind, const std::vector<Field>& fields)
{
    Bytes packet(sizeOf(kind), 0);
    for (const Field& field : fields)
        std::copy(field.bytes.begin(), field.bytes.end(), packet.begin() + static_cast<std::ptrdiff_t>(field.offset));
    return packet;
}

std::string firstDifference(const Bytes& actual, const Bytes& expected)
{
    if (actual.size() != expected.size())
        return "size " + std::to_string(actual.size()) + " instead of " + std::to_string(expected.size());
    for (std::size_t i = 0; i < actual.size(); ++i) {
        if (actual[i] != expected[i]) {
            std::ostringstream out;
            out << "offset " << i << ": 0x" << std::hex << std::setw(2) << std::setfill('0') << int {actual[i]}
                << " instead of 0x" << std::setw(2) << int {expected[i]};
            return out.str();
        }
    }
    return {};
}

ModifyValues staticValues()
{
    ModifyValues values;
    values.currentIpText = "192.168.1.5";
    values.newIp = 0x0A000001;   // 10.0.0.1
    values.mask = 0xFFFFFF00;    // 255.255.255.0
    values.gateway = 0x0A0000FE; // 10.0.0.254
    values.dns = 0x08080404;     // 8.8.4.4
    values.macText = "00:1a:2B:3c:4D:5e";
    values.httpPort = 8080;
    values.rtspPort = 554;
    values.thirdPort = 34567;
    values.userName = "admin";
    values.password = "secret";
    return values;
}

ModifyValues dhcpValues()
{
    ModifyValues values = staticValues();
    values.addressesIncluded = false;
    values.dhcp = true;
    return values;
}

ModifyValues longValues()
{
    ModifyValues values = staticValues();
    values.currentIpText = "10.0.0.1";
    values.macText = "AA-BB-CC-DD-EE-FF-00-11";
    values.userName = std::string(40, 'u');
    values.password = std::string(31, 'p') + "CUT-OFF";
    values.httpPort = -1;
    return values;
}

const Bytes oldHeader = text(std::string_view("search.....\0\x03", 13));
const Bytes basicHeader = text(std::string_view("searching..\0\x03", 13));
const Bytes extendedHeader = text(std::string_view("searching..\0\x0C", 13));

struct RequestCase {
    const char* name;
    Kind kind;
    ModifyValues values;
    std::vector<Field> fields;
};

void PrintTo(const RequestCase& testCase, std::ostream* out)
{
    *out << testCase.name;
}

class ModifyRequestBytes : public testing::TestWithParam<RequestCase> {};

TEST_P(ModifyRequestBytes, MatchTheWireLayout)
{
    const RequestCase& testCase = GetParam();
    EXPECT_EQ(firstDifference(build(testCase.kind, testCase.values), image(testCase.kind, testCase.fields)), "");
}

// The extended request's fields that do not depend on the values.
std::vector<Field> extendedFixed(std::vector<Field> fields)
{
    fields.insert(fields.end(),
        {{0, extendedHeader}, {16, text("Fuck_Ip")}, {32, text("Fuck_Mac")}, {84, {62, 0, 0, 0}}, {208, {0, 3, 0, 0}}});
    return fields;
}

INSTANTIATE_TEST_SUITE_P(Requests, ModifyRequestBytes,
    testing::Values(
        RequestCase {"OldStatic", Kind::Old, staticValues(),
            {{0, oldHeader}, {13, text("192.168.1.5")}, {61, text("10.0.0.1")}, {109, text("255.255.255.0")},
                {157, text("10.0.0.254")}}},
        RequestCase {"OldDhcp", Kind::Old, dhcpValues(), {{0, oldHeader}, {13, text("192.168.1.5")}, {253, {1}}}},
        RequestCase {"BasicStatic", Kind::Basic, staticValues(),
            {{0, basicHeader}, {13, text("192.168.1.5")}, {29, text("10.0.0.1")}, {45, text("255.255.255.0")},
                {61, text("10.0.0.254")}, {77, text("8.8.4.4")}, {93, {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}},
                {100, {0x90, 0x1F, 0x00, 0x00}}, {104, {0x2A, 0x02, 0x00, 0x00}}, {108, le32(34567)}}},
        RequestCase {"BasicDhcp", Kind::Basic, dhcpValues(),
            {{0, basicHeader}, {13, text("192.168.1.5")}, {93, {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}},
                {100, {0x90, 0x1F, 0x00, 0x00}}, {104, le32(554)}, {108, le32(34567)}, {112, {1}}}},
        RequestCase {"BasicUnreadableMacNegativePort", Kind::Basic, longValues(),
            {{0, basicHeader}, {13, text("10.0.0.1")}, {29, text("10.0.0.1")}, {45, text("255.255.255.0")},
                {61, text("10.0.0.254")}, {77, text("8.8.4.4")}, {93, {0xAA}}, {100, {0xFF, 0xFF, 0xFF, 0xFF}},
                {104, le32(554)}, {108, le32(34567)}}},
        RequestCase {"ExtendedStatic", Kind::Extended, staticValues(),
            extendedFixed({{50, text("192.168.1.5")}, {66, text("00:1a:2B:3c:4D:5e")}, {92, text("10.0.0.1")},
                {108, text("255.255.255.0")}, {124, text("10.0.0.254")}, {140, text("8.8.4.4")},
                {172, text("00:1a:2B:3c:4D:5e")}, {308, le32(8080)}, {312, le32(554)}, {324, le32(34567)},
                {360, text("admin")}, {392, enciphered("secret")}})},
        RequestCase {"ExtendedDhcp", Kind::Extended, dhcpValues(),
            extendedFixed({{50, text("192.168.1.5")}, {66, text("00:1a:2B:3c:4D:5e")}, {88, {1}},
                {172, text("00:1a:2B:3c:4D:5e")}, {308, le32(8080)}, {312, le32(554)}, {324, le32(34567)},
                {360, text("admin")}, {392, enciphered("secret")}})},
        // Too long for their fields: cut so that each keeps its terminating zero.
        RequestCase {"ExtendedLongTexts", Kind::Extended, longValues(),
            extendedFixed({{50, text("10.0.0.1")}, {66, text("AA-BB-CC-DD-EE-FF")}, {92, text("10.0.0.1")},
                {108, text("255.255.255.0")}, {124, text("10.0.0.254")}, {140, text("8.8.4.4")},
                {172, text("AA-BB-CC-DD-EE-FF")}, {308, {0xFF, 0xFF, 0xFF, 0xFF}}, {312, le32(554)},
                {324, le32(34567)}, {360, text(std::string(31, 'u'))}, {392, enciphered(std::string(31, 'p'))}})},
        RequestCase {"ExtendedEmpty", Kind::Extended, ModifyValues {},
            extendedFixed({{92, text("0.0.0.0")}, {108, text("0.0.0.0")}, {124, text("0.0.0.0")},
                {140, text("0.0.0.0")}, {392, enciphered("")}})}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

struct MacCase {
    const char* name;
    const char* macText;
    std::array<std::uint8_t, 6> bytes;
};

void PrintTo(const MacCase& testCase, std::ostream* out)
{
    *out << testCase.name;
}

class MacBytes : public testing::TestWithParam<MacCase> {};

TEST_P(MacBytes, ReadAsColonSeparatedHexUpToTheFirstMismatch)
{
    EXPECT_EQ(parseMacBytes(GetParam().macText), GetParam().bytes);
}

INSTANTIATE_TEST_SUITE_P(Texts, MacBytes,
    testing::Values(MacCase {"MixedCase", "00:1a:2B:3c:4D:5e", {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}},
        MacCase {"AsListed", "FF:EE:DD:CC:BB:AA", {0xFF, 0xEE, 0xDD, 0xCC, 0xBB, 0xAA}},
        MacCase {"SingleDigits", "0:1:2:3:a:F", {0x00, 0x01, 0x02, 0x03, 0x0A, 0x0F}},
        MacCase {"DashesGiveOnlyTheFirstByte", "AB-CD-EF-01-02-03", {0xAB, 0, 0, 0, 0, 0}},
        MacCase {"Short", "00:1A:2B", {0x00, 0x1A, 0x2B, 0, 0, 0}},
        MacCase {"TrailingColon", "12:34:", {0x12, 0x34, 0, 0, 0, 0}},
        MacCase {"Empty", "", {0, 0, 0, 0, 0, 0}},
        MacCase {"LeadingColon", ":11:22:33:44:55", {0, 0, 0, 0, 0, 0}},
        MacCase {"ThreeDigitsStopAfterTwo", "123:45:67:89:AB:CD", {0x12, 0, 0, 0, 0, 0}},
        MacCase {"NotHexInTheMiddle", "00:1A:zz:3C:4D:5E", {0x00, 0x1A, 0, 0, 0, 0}},
        MacCase {"NoSeparators", "001A2B3C4D5E", {0x00, 0, 0, 0, 0, 0}},
        MacCase {"SpaceBeforeANumberIsSkipped", " 0a:\t1b:2c:3d:4e:5f", {0x0A, 0x1B, 0x2C, 0x3D, 0x4E, 0x5F}},
        MacCase {"SpaceBeforeAColonIsAMismatch", "0a :1b:2c:3d:4e:5f", {0x0A, 0, 0, 0, 0, 0}},
        MacCase {"SignIsAMismatch", "-1:02:03:04:05:06", {0, 0, 0, 0, 0, 0}},
        MacCase {"ExtraTextIgnored", "01:02:03:04:05:06:07", {1, 2, 3, 4, 5, 6}},
        MacCase {"LastNumberStopsAfterTwoDigits", "01:02:03:04:05:0607", {1, 2, 3, 4, 5, 6}}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

} // namespace
} // namespace lorvena
