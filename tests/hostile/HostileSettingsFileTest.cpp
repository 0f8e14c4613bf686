// Account.ini as a hostile machine leaves it: garbage, a runaway size, no
// permission, and a program killed while it writes. Each gives the default
// mode or a clear false, and the file is never lost or half written.

#include "control/SettingsFile.h"
#include "platform/IniFile.h"

#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>
#include <thread>

namespace lorvena {
namespace {

namespace fs = std::filesystem;

constexpr uid_t nobody = 65534;

class HostileSettingsFile : public testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/lorvena-hostile-ini-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder_ = pattern;
        file_ = folder_ / SettingsFile::fileName;
        // The per-user file would win over the one beside the program.
        ::setenv("XDG_CONFIG_HOME", (folder_ / "config").c_str(), 1);
    }
    void TearDown() override
    {
        fs::permissions(folder_, fs::perms::owner_all);
        fs::remove_all(folder_);
    }

    void writeFile(const std::string& bytes) { std::ofstream(file_, std::ios::binary) << bytes; }
    std::string readFile() const
    {
        std::ostringstream text;
        text << std::ifstream(file_, std::ios::binary).rdbuf();
        return text.str();
    }
    SettingsFile settings() const { return SettingsFile(folder_); }

    fs::path folder_;
    fs::path file_;
};

// Runs `step` in a child process that, when this one is root, gives up root
// first (root reads and writes whatever the modes say); its result is the
// child's exit code, or -1 when the child did not end normally.
int withoutPrivileges(const std::function<int()>& step)
{
    pid_t child = fork();
    if (child == 0) {
        if (geteuid() == 0 && (setgroups(0, nullptr) != 0 || setgid(nobody) != 0 || setuid(nobody) != 0))
            _exit(120);
        _exit(step());
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

struct Outcome {
    int result = -1;
    long peakGrowthKiB = -1; // how far the child's resident size rose over the step
};

// Runs `step` in a child and measures how much memory it took.
Outcome measured(const std::function<int()>& step)
{
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0)
        return {};
    pid_t child = fork();
    if (child == 0) {
        close(pipeEnds[0]);
        rusage before {};
        getrusage(RUSAGE_SELF, &before);
        Outcome outcome {step(), 0};
        rusage after {};
        getrusage(RUSAGE_SELF, &after);
        outcome.peakGrowthKiB = after.ru_maxrss - before.ru_maxrss;
        _exit(write(pipeEnds[1], &outcome, sizeof outcome) == sizeof outcome ? 0 : 1);
    }
    close(pipeEnds[1]);
    Outcome outcome;
    if (child < 0 || read(pipeEnds[0], &outcome, sizeof outcome) != sizeof outcome)
        outcome = {};
    close(pipeEnds[0]);
    waitpid(child, nullptr, 0);
    return outcome;
}

struct GarbageCase {
    const char* name;
    std::string bytes;
    int mode; // what a read gives
};

std::string randomBytes(std::size_t count)
{
    std::mt19937 generator(20240611);
    std::string bytes(count, '\0');
    for (char& byte : bytes)
        byte = static_cast<char>(generator());
    return bytes;
}

TEST_F(HostileSettingsFile, GarbageReadsAsTheDefaultModeAndTheNextWriteStillSaves)
{
    using namespace std::string_literals;
    const std::vector<GarbageCase> cases = {
        {"binary bytes", randomBytes(8192), 0},
        {"no sections at all", "TYPE=1\r\nmode = new\r\n", 0},
        {"only NULs", std::string(4096, '\0'), 0},
        {"a NUL inside the section name", "[SEARCH\0TYPE]\r\nTYPE=1\r\n"s, 0},
        {"a NUL before the section", "\0[SEARCHTYPE]\r\nTYPE=1\r\n"s, 0},
        // A NUL is an ordinary character: the value still starts with 1.
        {"NULs after the value", "[SEARCHTYPE]\r\nTYPE=1\0\0\0garbage\r\n"s, 1},
        {"one long line without an end", std::string(maxSettingsFileBytes / 2, 'x'), 0},
        {"a section that never closes", "[SEARCHTYPE\r\nTYPE=1\r\n", 0},
    };
    for (const GarbageCase& c : cases) {
        SCOPED_TRACE(c.name);
        writeFile(c.bytes);
        EXPECT_EQ(settings().readSearchMode(), c.mode);
        ASSERT_TRUE(settings().writeSearchMode(1));
        EXPECT_EQ(settings().readSearchMode(), 1);
        ASSERT_TRUE(settings().writeSearchMode(0));
        EXPECT_EQ(settings().readSearchMode(), 0);
    }
}

TEST_F(HostileSettingsFile, HugeFileIsNeitherReadWholeNorReplaced)
{
    // 100 MiB whose first lines say "new mode"; the rest is a hole of NULs
    // (no disk cost) without a single line end.
    constexpr off_t hugeBytes = 100 << 20;
    writeFile("[SEARCHTYPE]\r\nTYPE=1\r\n");
    ASSERT_EQ(truncate(file_.c_str(), hugeBytes), 0);

    // The meter itself first: a step that does hold 32 MiB is seen doing so,
    // so the limits below can fail for a reader that loads the file.
    Outcome loaded = measured([] {
        std::string bytes(32 << 20, 'x');
        const int sink = open("/dev/null", O_WRONLY | O_CLOEXEC);
        const bool written = write(sink, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
        close(sink);
        return written ? 0 : 1;
    });
    ASSERT_EQ(loaded.result, 0);
    ASSERT_GE(loaded.peakGrowthKiB, 16 * 1024) << "the meter does not see memory a step holds";

    Outcome read = measured([this] { return settings().readSearchMode(); });
    EXPECT_EQ(read.result, 0) << "not a settings file: the default mode";
    EXPECT_LT(read.peakGrowthKiB, 16 * 1024) << "the reader must stop near the cap, not load the file";

    Outcome write = measured([this] { return settings().writeSearchMode(1) ? 1 : 0; });
    EXPECT_EQ(write.result, 0) << "what cannot be read whole is not rewritten";
    EXPECT_LT(write.peakGrowthKiB, 16 * 1024);
    EXPECT_EQ(fs::file_size(file_), static_cast<std::uintmax_t>(hugeBytes));
    std::string start(22, '\0');
    std::ifstream(file_, std::ios::binary).read(start.data(), static_cast<std::streamsize>(start.size()));
    EXPECT_EQ(start, "[SEARCHTYPE]\r\nTYPE=1\r\n");
}

TEST_F(HostileSettingsFile, SomethingElseInItsPlaceReadsAsTheDefaultAndIsKept)
{
    struct Case {
        const char* name;
        std::function<void(const fs::path&)> make;
    };
    const Case cases[] = {
        // Opening a FIFO for reading would wait for a writer for good.
        {"a FIFO", [](const fs::path& path) { ASSERT_EQ(mkfifo(path.c_str(), 0600), 0); }},
        {"a folder", [](const fs::path& path) { fs::create_directory(path); }},
        {"an endless device", [](const fs::path& path) { fs::create_symlink("/dev/zero", path); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.make(file_);
        const fs::file_type type = fs::symlink_status(file_).type();
        EXPECT_EQ(settings().readSearchMode(), 0);
        EXPECT_FALSE(settings().writeSearchMode(1));
        EXPECT_EQ(fs::symlink_status(file_).type(), type) << "left as it was";
        fs::remove(file_);
    }
}

TEST_F(HostileSettingsFile, WithoutPermissionTheResultIsClearAndTheFileUntouched)
{
    const std::string stored = "; keep me\r\n[SEARCHTYPE]\r\nTYPE=1\r\n";
    struct Case {
        const char* name;
        fs::perms folder;
        fs::perms file;
        int mode;         // what a read gives
        bool writeSaves;  // what a write reports
    };
    // Owner and others alike: the check runs as "others" when this test is
    // root (the child becomes nobody), as the owner otherwise.
    const fs::perms readOnly = fs::perms::owner_read | fs::perms::others_read;
    const fs::perms writeOnly = fs::perms::owner_write | fs::perms::others_write;
    const fs::perms lookOnly = readOnly | fs::perms::owner_exec | fs::perms::others_exec;
    const Case cases[] = {
        // Unreadable: the stored "new mode" cannot be seen, and rewriting
        // the file would lose the line beside it.
        {"file not readable", fs::perms::all, writeOnly, 0, false},
        {"file neither readable nor writable", fs::perms::all, fs::perms::none, 0, false},
        // Readable but in a folder nobody may write: the value is read, the
        // write fails without a temporary left behind.
        {"folder not writable", lookOnly, readOnly, 1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::permissions(folder_, fs::perms::owner_all);
        writeFile(stored);
        fs::permissions(file_, c.file);
        fs::permissions(folder_, c.folder);

        EXPECT_EQ(withoutPrivileges([this] { return settings().readSearchMode(); }), c.mode);
        EXPECT_EQ(withoutPrivileges([this] { return settings().writeSearchMode(0) ? 1 : 0; }), c.writeSaves ? 1 : 0);

        fs::permissions(folder_, fs::perms::owner_all);
        fs::permissions(file_, fs::perms::owner_read | fs::perms::owner_write);
        EXPECT_EQ(readFile(), stored);
        EXPECT_EQ(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()), 1)
            << "no temporary file left beside it";
        fs::remove(file_);
    }
}

// Someone who can write to the folder plants links under every name a
// temporary file could be guessed to have; the write goes through none of
// them, and the file keeps the mode its owner gave it.
TEST_F(HostileSettingsFile, PlantedLinksAreNotFollowedAndTheModeIsKept)
{
    const fs::path victim = folder_ / "victim";
    std::ofstream(victim) << "precious\n";
    for (int pid = ::getpid() - 2; pid <= ::getpid() + 2; ++pid)
        fs::create_symlink(victim, folder_ / (std::string(SettingsFile::fileName) + ".tmp" + std::to_string(pid)));

    ASSERT_TRUE(settings().writeSearchMode(1));
    EXPECT_EQ((fs::status(file_).permissions() & fs::perms::all),
        fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_read)
        << "a new file is rw-r--r--";

    fs::permissions(file_, fs::perms::owner_read | fs::perms::owner_write);
    ASSERT_TRUE(settings().writeSearchMode(0));
    EXPECT_EQ(settings().readSearchMode(), 0);
    EXPECT_EQ((fs::status(file_).permissions() & fs::perms::all), fs::perms::owner_read | fs::perms::owner_write)
        << "a private file stays private";

    std::ostringstream text;
    text << std::ifstream(victim).rdbuf();
    EXPECT_EQ(text.str(), "precious\n");
    EXPECT_TRUE(fs::is_symlink(folder_ / (std::string(SettingsFile::fileName) + ".tmp" + std::to_string(::getpid()))));
}

// A program killed at any moment of a write leaves either the old or the new
// file, complete: never an empty or cut one.
TEST_F(HostileSettingsFile, KillingTheWriterNeverLeavesAPartialFile)
{
    // Lines beside the mode make each write long enough to be caught in the
    // middle, and make a cut file visible.
    std::string notes = "[NOTES]\r\n";
    for (int line = 0; line < 4000; ++line)
        notes += "LINE" + std::to_string(line) + "=" + std::string(40, static_cast<char>('a' + line % 26)) + "\r\n";
    const std::string oldMode = notes + "[SEARCHTYPE]\r\nTYPE=0\r\n";
    const std::string newMode = notes + "[SEARCHTYPE]\r\nTYPE=1\r\n";
    writeFile(oldMode);

    constexpr int kills = 60;
    std::mt19937 generator(7);
    std::uniform_int_distribution<int> moment(0, 4000); // microseconds into the child's writing
    for (int kill = 0; kill < kills; ++kill) {
        pid_t writer = fork();
        ASSERT_GE(writer, 0);
        if (writer == 0) {
            SettingsFile settings(folder_);
            for (int mode = 1;; mode = 1 - mode)
                settings.writeSearchMode(mode);
        }
        std::this_thread::sleep_for(std::chrono::microseconds(moment(generator)));
        ::kill(writer, SIGKILL);
        int status = 0;
        ASSERT_EQ(waitpid(writer, &status, 0), writer);
        ASSERT_TRUE(WIFSIGNALED(status));
        const std::string now = readFile();
        ASSERT_TRUE(now == oldMode || now == newMode)
            << "after kill " << kill << " the file holds " << now.size() << " bytes";
    }
}

} // namespace
} // namespace lorvena
