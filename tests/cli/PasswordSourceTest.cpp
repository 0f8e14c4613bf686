#include "cli/PasswordSource.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <pty.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace lorvena {
namespace {

namespace fs = std::filesystem;

// Standard input replaced by `text` through a pipe for the test's span.
class PipedInput {
public:
    explicit PipedInput(const std::string& text)
    {
        int ends[2];
        EXPECT_EQ(::pipe(ends), 0);
        EXPECT_EQ(::write(ends[1], text.data(), text.size()), static_cast<ssize_t>(text.size()));
        ::close(ends[1]);
        saved_ = ::dup(STDIN_FILENO);
        ::dup2(ends[0], STDIN_FILENO);
        ::close(ends[0]);
    }
    ~PipedInput()
    {
        ::dup2(saved_, STDIN_FILENO);
        ::close(saved_);
    }

private:
    int saved_ = -1;
};

class PasswordSource : public testing::Test {
protected:
    void SetUp() override
    {
        ::unsetenv("LORVENA_PASSWORD");
        folder_ = fs::temp_directory_path() / ("lorvena-password-" + std::to_string(::getpid()));
        fs::create_directories(folder_);
    }
    void TearDown() override
    {
        ::unsetenv("LORVENA_PASSWORD");
        fs::remove_all(folder_);
    }
    fs::path folder_;
};

TEST_F(PasswordSource, EachWayInInItsOrder)
{
    const fs::path file = folder_ / "password";
    std::ofstream(file) << "Zażółć1\r\nsecond line\n";
    ::setenv("LORVENA_PASSWORD", "from-environment", 1);
    PipedInput input("from-input\nrest\n");

    EXPECT_EQ(resolvePassword({"argument", file.string()}).password, "argument");
    EXPECT_EQ(resolvePassword({std::nullopt, file.string()}).password, "Zażółć1");
    EXPECT_EQ(resolvePassword({std::nullopt, "-"}).password, "from-input");
    EXPECT_EQ(resolvePassword({}).password, "from-environment");
    // An empty variable is a password too: the device will say whether it
    // takes it.
    ::setenv("LORVENA_PASSWORD", "", 1);
    EXPECT_EQ(resolvePassword({}).password, "");
}

TEST_F(PasswordSource, AFileThatCannotBeReadIsTold)
{
    const fs::path fifo = folder_ / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const fs::path& path : {folder_ / "missing", fs::path(folder_), fifo}) {
        PasswordOutcome outcome = resolvePassword({std::nullopt, path.string()});
        EXPECT_FALSE(outcome.password) << path;
        EXPECT_NE(outcome.error.find("--password-file '" + path.string() + "'"), std::string::npos) << outcome.error;
    }
}

// On a pipe nobody is asked: a script waiting on a prompt would hang.
TEST_F(PasswordSource, NoPromptWhenInputIsNoTerminal)
{
    PipedInput input("typed\n");
    EXPECT_FALSE(resolvePassword({}).password);
    EXPECT_FALSE(promptWithoutEcho("Password: "));
}

// On a terminal the prompt shows, the typed password does not.
TEST_F(PasswordSource, PromptOnATerminalDoesNotEcho)
{
    int terminal = -1;
    pid_t child = ::forkpty(&terminal, nullptr, nullptr, nullptr);
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Standard error is the terminal too: the prompt is seen there.
        std::optional<std::string> typed = resolvePassword({}).password;
        _exit(typed == std::optional<std::string>("Tajne hasło") ? 0 : 1);
    }
    std::string screen;
    char piece[256];
    auto readScreen = [&](const std::string& until) {
        while (screen.find(until) == std::string::npos) {
            ssize_t got = ::read(terminal, piece, sizeof piece);
            if (got <= 0)
                return;
            screen.append(piece, static_cast<std::size_t>(got));
        }
    };
    readScreen("Password: ");
    // Typed only once echo is off: the prompt is written just before the
    // switch, which drops anything typed ahead.
    termios settings {};
    for (int tries = 0; tries < 500; ++tries) {
        ASSERT_EQ(::tcgetattr(terminal, &settings), 0);
        if ((settings.c_lflag & ECHO) == 0)
            break;
        ::usleep(10 * 1000);
    }
    const std::string line = "Tajne hasło\n";
    ASSERT_EQ(::write(terminal, line.data(), line.size()), static_cast<ssize_t>(line.size()));
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    readScreen("\n");
    ::close(terminal);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_NE(screen.find("Password: "), std::string::npos) << screen;
    EXPECT_EQ(screen.find("Tajne"), std::string::npos) << screen;
}

} // namespace
} // namespace lorvena
