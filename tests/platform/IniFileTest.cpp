#include "platform/IniFile.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace lorvena {
namespace {

class IniFileTest : public testing::Test {
protected:
    void SetUp() override
    {
        folder_ = std::filesystem::temp_directory_path() /
            ("lorvena-ini-" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::remove_all(folder_);
        std::filesystem::create_directories(folder_);
        file_ = folder_ / "Account.ini";
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }

    void writeFile(const std::string& text) { std::ofstream(file_, std::ios::binary) << text; }
    std::string readFile()
    {
        std::ostringstream text;
        text << std::ifstream(file_, std::ios::binary).rdbuf();
        return text.str();
    }

    std::filesystem::path folder_;
    std::filesystem::path file_;
};

TEST_F(IniFileTest, ReadsTheLeadingIntegerWithPrivateProfileRules)
{
    struct Case {
        const char* text;
        int expected;
    } cases[] = {
        {"[SEARCHTYPE]\r\nTYPE=1\r\n", 1},
        {"[searchtype]\ntype = 1\n", 1},        // names compare case-insensitively
        {"[SEARCHTYPE]\nTYPE=12abc\n", 12},     // leading integer
        {"[SEARCHTYPE]\nTYPE=abc\n", 0},        // not a number: default
        {"[SEARCHTYPE]\nTYPE=\n", 0},
        {"[SEARCHTYPE]\nTYPE=-3\n", -3},
        {"[SEARCHTYPE]\nTYPE=99999999999\n", 2147483647}, // saturates
        {"[OTHER]\nTYPE=1\n", 0},               // wrong section
        {"[OTHER]\nTYPE=5\n[SEARCHTYPE]\nTYPE=1\n", 1},
        {"TYPE=1\n", 0},                        // outside any section
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        writeFile(c.text);
        EXPECT_EQ(readProfileInt(file_, "SEARCHTYPE", "TYPE", 0), c.expected);
    }
}

TEST_F(IniFileTest, MissingFileGivesTheDefault)
{
    EXPECT_EQ(readProfileInt(folder_ / "none.ini", "SEARCHTYPE", "TYPE", 7), 7);
}

TEST_F(IniFileTest, WritingCreatesReplacesAndKeepsOtherLines)
{
    ASSERT_TRUE(writeProfileString(file_, "SEARCHTYPE", "TYPE", "1"));
    EXPECT_EQ(readFile(), "[SEARCHTYPE]\r\nTYPE=1\r\n");

    writeFile("; installer notes\r\n[OTHER]\r\nX=2\r\n[SearchType]\r\nType=1\r\n");
    ASSERT_TRUE(writeProfileString(file_, "SEARCHTYPE", "TYPE", "0"));
    EXPECT_EQ(readFile(), "; installer notes\r\n[OTHER]\r\nX=2\r\n[SearchType]\r\nTYPE=0\r\n");

    writeFile("[SEARCHTYPE]\r\nOTHER=3\r\n\r\n[NEXT]\r\nY=1\r\n");
    ASSERT_TRUE(writeProfileString(file_, "SEARCHTYPE", "TYPE", "1"));
    EXPECT_EQ(readFile(), "[SEARCHTYPE]\r\nOTHER=3\r\nTYPE=1\r\n\r\n[NEXT]\r\nY=1\r\n");
}

TEST_F(IniFileTest, FailedWriteReportsFalseAndLeavesNoTemporaryFile)
{
    std::filesystem::path missingFolder = folder_ / "missing" / "Account.ini";
    EXPECT_FALSE(writeProfileString(missingFolder, "SEARCHTYPE", "TYPE", "1"));
    EXPECT_TRUE(std::filesystem::is_empty(folder_));
}

} // namespace
} // namespace lorvena
