#include "net/Base64.h"

#include <gtest/gtest.h>

#include <string>

namespace lorvena {
namespace {

struct Base64Case {
    std::string input;
    const char* encoded;
};

void PrintTo(const Base64Case& testCase, std::ostream* out)
{
    *out << '"' << testCase.input << '"';
}

class Base64Encoding : public testing::TestWithParam<Base64Case> {};

TEST_P(Base64Encoding, MatchesTheStandardAlphabetAndPadding)
{
    EXPECT_EQ(Base64Encode(GetParam().input), GetParam().encoded);
}

INSTANTIATE_TEST_SUITE_P(Vectors, Base64Encoding,
    testing::Values(Base64Case {"", ""}, Base64Case {"f", "Zg=="}, Base64Case {"fo", "Zm8="},
        Base64Case {"foo", "Zm9v"}, Base64Case {"foob", "Zm9vYg=="}, Base64Case {"fooba", "Zm9vYmE="},
        Base64Case {"foobar", "Zm9vYmFy"}, Base64Case {"a", "YQ=="}, Base64Case {"abc", "YWJj"},
        Base64Case {"admin:123456", "YWRtaW46MTIzNDU2"},
        // Every bit position, and the two characters past the letters and digits.
        Base64Case {std::string("\x00\x10\x83\x10\x51\x87\x20\x92\x8b\x30\xd3\x8f\x41\x14\x93\x51\x55\x97"
                                "\x61\x96\x9b\x71\xd7\x9f\x82\x18\xa3\x92\x59\xa7\xa2\x9a\xab\xb2\xdb\xaf"
                                "\xc3\x1c\xb3\xd3\x5d\xb7\xe3\x9e\xbb\xf3\xdf\xbf",
                        48),
            "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/"},
        Base64Case {std::string("\xff\xfe\x00", 3), "//4A"}));

} // namespace
} // namespace lorvena
