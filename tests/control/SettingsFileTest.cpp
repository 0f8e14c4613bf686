#include "control/SettingsFile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

namespace lorvena {
namespace {

class SettingsFileTest : public testing::Test {
protected:
    void SetUp() override
    {
        root_ = std::filesystem::temp_directory_path() /
            ("lorvena-settings-" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::remove_all(root_);
        std::filesystem::create_directories(root_ / "bin");
        std::filesystem::create_directories(root_ / "config");
        ::setenv("XDG_CONFIG_HOME", (root_ / "config").c_str(), 1);
    }
    void TearDown() override { std::filesystem::remove_all(root_); }
    std::filesystem::path root_;
};

TEST_F(SettingsFileTest, FreshInstallReadsOldModeAndFirstWriteCreatesTheFile)
{
    SettingsFile settings(root_ / "bin");
    EXPECT_EQ(settings.path(), root_ / "bin" / "Account.ini");
    EXPECT_EQ(settings.readSearchMode(), 0);
    ASSERT_TRUE(settings.writeSearchMode(1));
    EXPECT_EQ(SettingsFile(root_ / "bin").readSearchMode(), 1);
    ASSERT_TRUE(settings.writeSearchMode(0));
    EXPECT_EQ(SettingsFile(root_ / "bin").readSearchMode(), 0);
}

TEST_F(SettingsFileTest, ReadOnlyProgramFolderFallsBackToTheUserConfigFolder)
{
    // Root writes anywhere, so the read-only installation folder is simulated.
    auto readOnly = [](const std::filesystem::path&) { return false; };
    SettingsFile settings(root_ / "bin", readOnly);
    EXPECT_EQ(settings.path(), root_ / "config" / "lorvena" / "Account.ini");
    ASSERT_TRUE(settings.writeSearchMode(1));
    EXPECT_EQ(SettingsFile(root_ / "bin", readOnly).readSearchMode(), 1);
    EXPECT_FALSE(std::filesystem::exists(root_ / "bin" / "Account.ini"));
}

// A file left beside the program (by a run as root, say) in a folder the
// user cannot write: read until the first switch, which saves to the user's
// own file; from then on that one is read, and the old file is left alone.
TEST_F(SettingsFileTest, AFileInAReadOnlyProgramFolderIsReadUntilTheUserSavesTheirOwn)
{
    const std::string leftBehind = "[SEARCHTYPE]\nTYPE=1\n";
    std::ofstream(root_ / "bin" / "Account.ini") << leftBehind;
    auto readOnly = [](const std::filesystem::path&) { return false; };
    SettingsFile settings(root_ / "bin", readOnly);
    EXPECT_EQ(settings.path(), root_ / "bin" / "Account.ini");
    EXPECT_EQ(settings.readSearchMode(), 1);

    ASSERT_TRUE(settings.writeSearchMode(0));
    EXPECT_EQ(settings.path(), root_ / "config" / "lorvena" / "Account.ini");
    EXPECT_EQ(SettingsFile(root_ / "bin", readOnly).readSearchMode(), 0);
    // Even once the program's folder is writable again, the user's file wins.
    EXPECT_EQ(SettingsFile(root_ / "bin").readSearchMode(), 0);
    std::ifstream old(root_ / "bin" / "Account.ini");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(old), {}), leftBehind);
}

// How long a changed device is looked for: whole seconds up to ten minutes,
// 15 when the key is missing or makes no sense.
TEST_F(SettingsFileTest, TheVerificationWaitHasASaneDefault)
{
    EXPECT_EQ(SettingsFile(root_ / "bin").readVerifyWaitSeconds(), 15);
    for (auto [text, seconds] : {std::pair {"40", 40}, {"0", 0}, {"600", 600}, {"601", 15}, {"-3", 15}}) {
        std::ofstream(root_ / "bin" / "Account.ini") << "[SEARCHTYPE]\nTYPE=1\n[VERIFY]\nWAIT=" << text << "\n";
        EXPECT_EQ(SettingsFile(root_ / "bin").readVerifyWaitSeconds(), seconds) << text;
    }
}

} // namespace
} // namespace lorvena
