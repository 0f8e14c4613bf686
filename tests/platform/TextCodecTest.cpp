#include "platform/TextCodec.h"

#include <gtest/gtest.h>

namespace lorvena {
namespace {

struct DecodeCase {
    const char* name;
    std::string_view deviceBytes;
    std::string_view utf8;
};

void PrintTo(const DecodeCase& testCase, std::ostream* out)
{
    *out << testCase.name;
}


class DeviceTextDecoding : public testing::TestWithParam<DecodeCase> {};

TEST_P(DeviceTextDecoding, TakesUtf8AsIsAndEverythingElseAsWindows1250)
{
    EXPECT_EQ(deviceTextToUtf8(GetParam().deviceBytes), GetParam().utf8);
}

INSTANTIATE_TEST_SUITE_P(Texts, DeviceTextDecoding,
    testing::Values(DecodeCase {"Ascii", "IPCAMERA", "IPCAMERA"},
        DecodeCase {"Utf8Polish", "Kamera wej\xc5\x9b\x63ie", "Kamera wej\xc5\x9b\x63ie"},
        // "Łódź" in Windows-1250: A3 F3 64 9F
        DecodeCase {"Windows1250Polish", "\xA3\xF3\x64\x9F", "\xc5\x81\xc3\xb3\x64\xc5\xba"},
        // 0x98 is undefined in Windows-1250: one replacement, the rest kept.
        DecodeCase {"UndefinedByteReplaced", "a\x98z", "a\xef\xbf\xbdz"},
        DecodeCase {"OverlongUtf8IsNotUtf8", "\xC0\xAF", "\xc5\x94\xc5\xbb"},
        DecodeCase {"TruncatedUtf8IsNotUtf8", "ab\xC5", "ab\xc4\xb9"}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

TEST(DeviceTextEncoding, WritesWindows1250AndMarksWhatItCannotWrite)
{
    EXPECT_EQ(utf8ToDeviceText("\xc5\x81\xc3\xb3\x64\xc5\xba"), "\xA3\xF3\x64\x9F");
    EXPECT_EQ(utf8ToDeviceText("a\xe2\x82\xacz"), "a\x80z"); // the euro sign exists in 1250
    EXPECT_EQ(utf8ToDeviceText("a\xe6\x97\xa5z"), "a?z");     // a CJK character does not
}

TEST(Utf16Length, CountsSurrogatePairsAsTwo)
{
    EXPECT_EQ(utf16Length(""), 0u);
    EXPECT_EQ(utf16Length("\xc5\x81\xc3\xb3\x64\xc5\xba"), 4u);
    EXPECT_EQ(utf16Length("\xf0\x9f\x93\xb7"), 2u);
}

} // namespace
} // namespace lorvena
