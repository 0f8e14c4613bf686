#include "control/MainController.h"

#include "control/FakeMainView.h"
#include "control/FormRules.h"
#include "platform/MessageQueue.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

namespace lorvena {
namespace {

using testing_support::FakeMainView;
using enum ControlId;

// A launcher that records what it was asked to do.
class FakeLauncher final : public ProcessLauncher {
public:
    bool startWithoutArguments() override
    {
        calls.push_back("start fresh");
        return startSucceeds;
    }
    bool startWithSameArguments() override
    {
        calls.push_back("start same");
        return startSucceeds;
    }
    void exitNormally(int code) override { calls.push_back("exit normally " + std::to_string(code)); }
    void exitImmediately(int code) override { calls.push_back("exit now " + std::to_string(code)); }

    bool startSucceeds = true;
    std::vector<std::string> calls;
};

class MainControllerTest : public testing::Test {
protected:
    void SetUp() override
    {
        folder_ = std::filesystem::temp_directory_path() /
            ("lorvena-controller-" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::remove_all(folder_);
        std::filesystem::create_directories(folder_);
        // The per-user file would win over the one beside the program.
        ::setenv("XDG_CONFIG_HOME", (folder_ / "config").c_str(), 1);
        settings_.emplace(folder_);
    }
    void TearDown() override
    {
        controller_.reset();
        std::filesystem::remove_all(folder_);
    }

    // No local addresses: nothing is ever sent from these tests.
    MainController& start(int searchMode, bool softStart = false)
    {
        controller_ = std::make_unique<MainController>(searchMode,
            MainController::Dependencies {view, queue, [] { return std::vector<std::uint32_t> {}; }, nullptr, {},
                &*settings_, &launcher, softStart});
        controller_->initialise();
        return *controller_;
    }

    std::string settingsText()
    {
        std::ifstream in(settings_->path(), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    FakeMainView view;
    MessageQueue queue;
    FakeLauncher launcher;
    std::filesystem::path folder_;
    std::optional<SettingsFile> settings_;
    std::unique_ptr<MainController> controller_;
};

TEST_F(MainControllerTest, EachGenerationShowsItsOwnForm)
{
    struct Case {
        ControlId id;
        bool visibleInOld;
        bool visibleInNew;
    } cases[] = {
        {ModifyTab, false, true}, {UpgradeTab, false, true}, {OldModifyTab, true, false},
        {NewIp, true, true}, {NetMask, true, true}, {Gateway, true, true},
        {Dns, false, true}, {HttpPort, false, true}, {RtspPort, false, true}, {Dhcp, false, true},
        {UserName, false, true}, {Password, false, true}, {OnvifMaskCheck, false, true},
        {StartIp, false, false}, {StartIpLabel, false, false},
    };
    for (int mode : {0, 1}) {
        view.reset();
        view.form = FormValues {{}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {}}; // controls start empty
        start(mode);
        for (const Case& c : cases) {
            SCOPED_TRACE("mode " + std::to_string(mode) + " control " + std::to_string(static_cast<int>(c.id)));
            bool expected = mode == 0 ? c.visibleInOld : c.visibleInNew;
            // Controls the set-up leaves alone keep the visibility they were created with.
            bool shown = view.visible.count(c.id) ? view.visible[c.id] : true;
            EXPECT_EQ(shown, expected);
        }
        EXPECT_EQ(view.windowTitle, "Lorvena");
        EXPECT_EQ(view.texts[Search], "Wyszukaj");
        EXPECT_EQ(view.texts[ApplyChanges], "Zmiana IP");
        EXPECT_TRUE(view.selected[ModifyTab]);
        EXPECT_FALSE(view.selected[UpgradeTab]);
        EXPECT_EQ(view.toolTips[ModeSwitch], mode == 0 ? "New" : "Stare");
        EXPECT_EQ(view.form.netMask, 0xFFFFFF00u);
        EXPECT_EQ(view.form.userName, "admin");
    }
    EXPECT_EQ(view.texts[PasswordLabel], "Hasło ");
    EXPECT_EQ(view.texts[UserNameLabel], "Użytkownik");
    EXPECT_EQ(view.texts[OnvifMaskLabel], "ONVIF tryb maski");
}

TEST_F(MainControllerTest, TabsSwapTheFormAndThePanel)
{
    start(1);
    view.texts[Password] = "secret";
    controller_->upgradeTabClicked();
    EXPECT_TRUE(view.upgradePanelVisible);
    EXPECT_FALSE(view.visible[NewIp]);
    EXPECT_FALSE(view.visible[ApplyChanges]);
    EXPECT_EQ(view.texts[Password], "");
    EXPECT_TRUE(view.selected[UpgradeTab]);
    EXPECT_FALSE(view.selected[ModifyTab]);

    controller_->modifyTabClicked();
    EXPECT_FALSE(view.upgradePanelVisible);
    EXPECT_TRUE(view.visible[NewIp]);
    EXPECT_TRUE(view.visible[ApplyChanges]);
    EXPECT_FALSE(view.visible[StartIp]);
    EXPECT_EQ(view.upgradePasswordClears, 1);
    EXPECT_TRUE(view.selected[ModifyTab]);
}

TEST_F(MainControllerTest, DhcpCheckboxGreysTheAddresses)
{
    start(1);
    view.form.dhcpEnabled = true;
    controller_->dhcpClicked();
    for (ControlId id : {NewIp, NetMask, Gateway, Dns})
        EXPECT_FALSE(view.enabled[id]);
    view.form.dhcpEnabled = false;
    controller_->dhcpClicked();
    for (ControlId id : {NewIp, NetMask, Gateway, Dns})
        EXPECT_TRUE(view.enabled[id]);
    EXPECT_FALSE(controller_->state().form.dhcpEnabled);
}

TEST(FormRules, RtspPortFollowsHttpPortForTypes500To699)
{
    struct Case {
        const char* type;
        bool follows;
    } cases[] = {{"500", true}, {"699", true}, {" 600", true}, {"499", false}, {"700", false}, {"abc", false},
        {"", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        FakeMainView view;
        WindowState state;
        state.selected.typeText = c.type;
        view.form.httpPortText = "8081";
        view.form.rtspPortText = "554";
        applyHttpPortRule(view, state);
        EXPECT_EQ(view.form.rtspPortText, c.follows ? "8081" : "554");
    }
}

TEST_F(MainControllerTest, SwitchButtonStoresTheOtherModeAndRelaunchesWithoutArguments)
{
    start(0);
    controller_->modeSwitchClicked();
    EXPECT_EQ(settings_->readSearchMode(), 1);
    EXPECT_NE(settingsText().find("[SEARCHTYPE]"), std::string::npos);
    EXPECT_EQ(view.toolTips[ModeSwitch], "New");
    EXPECT_EQ(launcher.calls, (std::vector<std::string> {"start fresh", "exit normally 0"}));

    // The next instance, in the new mode, switches back.
    launcher.calls.clear();
    start(settings_->readSearchMode());
    controller_->modeSwitchClicked();
    EXPECT_EQ(settings_->readSearchMode(), 0);
    EXPECT_EQ(view.toolTips[ModeSwitch], "Stare");
    // The process ends even when the new instance could not be started.
    launcher.startSucceeds = false;
    launcher.calls.clear();
    controller_->modeSwitchClicked();
    EXPECT_EQ(launcher.calls, (std::vector<std::string> {"start fresh", "exit normally 0"}));
}

TEST_F(MainControllerTest, HiddenSwitchesRestartWithTheSameArguments)
{
    start(0);
    controller_->modeDropDownChanged(1);
    EXPECT_EQ(settings_->readSearchMode(), 1);
    EXPECT_TRUE(controller_->state().restartPending);
    EXPECT_EQ(launcher.calls, (std::vector<std::string> {"start same"}));
    EXPECT_EQ(view.closeRequests, 1);

    start(1);
    controller_->modeDropDownChanged(7); // no such item: nothing stored, still restarts
    EXPECT_EQ(settings_->readSearchMode(), 1);

    start(1);
    launcher.calls.clear();
    launcher.startSucceeds = false;
    controller_->oldModeButtonClicked();
    EXPECT_EQ(settings_->readSearchMode(), 0);
    EXPECT_EQ(launcher.calls, (std::vector<std::string> {"start same", "exit now -1"}));
}

// A mode that cannot be saved is said, and nothing restarts: the new
// instance would come back in the mode the user meant to leave.
TEST_F(MainControllerTest, ASwitchThatCannotBeSavedIsToldAndDoesNotRestart)
{
    // A folder in the file's place makes every write fail, even as root.
    std::filesystem::create_directories(folder_ / "Account.ini");
    start(0);
    controller_->modeSwitchClicked();
    controller_->modeDropDownChanged(1);
    controller_->oldModeButtonClicked();
    EXPECT_TRUE(launcher.calls.empty());
    EXPECT_EQ(view.closeRequests, 0);
    EXPECT_FALSE(controller_->state().restartPending);
    EXPECT_EQ(controller_->state().searchMode, 0);
    ASSERT_EQ(view.messages.size(), 3u);
    EXPECT_EQ(view.messages[0], std::string(settingsNotSaved) + (folder_ / "Account.ini").string());
}

TEST_F(MainControllerTest, SoftCloseOnlyWhenStartedWithSoft)
{
    start(1, false);
    controller_->handleMessage({MessageId::SoftClose, 0, 0, {}});
    EXPECT_TRUE(view.endResults.empty());
    start(1, true);
    controller_->handleMessage({MessageId::SoftClose, 0, 0, {}});
    EXPECT_EQ(view.endResults, (std::vector<int> {2}));
}

TEST_F(MainControllerTest, CloseButtonAndCloseRequestEndTheWindow)
{
    start(1);
    view.form.httpPortText = "81";
    controller_->closeButtonClicked();
    EXPECT_EQ(controller_->state().form.httpPortText, "81");
    controller_->closeRequested();
    controller_->windowDestroyed();
    EXPECT_EQ(view.endResults, (std::vector<int> {1, 2}));
}

} // namespace
} // namespace lorvena
