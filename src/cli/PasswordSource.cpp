#include "cli/PasswordSource.h"

#include "platform/UniqueFd.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace lorvena {

namespace {

// More than any password a device takes (31 bytes); a file that runs on is
// not read to its end.
constexpr std::size_t maxLineBytes = 4096;

std::string firstLine(std::string text)
{
    std::size_t end = text.find('\n');
    if (end != std::string::npos)
        text.resize(end);
    if (!text.empty() && text.back() == '\r')
        text.pop_back();
    return text;
}

// Reads up to the first newline or maxLineBytes. False on a read error.
bool readFirstLine(int fd, std::string& line)
{
    std::string text;
    char byte;
    while (text.size() < maxLineBytes) {
        ssize_t got = ::read(fd, &byte, 1);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return false;
        if (got == 0 || byte == '\n')
            break;
        text += byte;
    }
    line = firstLine(std::move(text));
    return true;
}

PasswordOutcome fromFile(const std::string& path)
{
    PasswordOutcome outcome;
    std::string line;
    if (path == "-") {
        if (!readFirstLine(STDIN_FILENO, line))
            outcome.error = std::string("--password-file -: ") + std::strerror(errno);
        else
            outcome.password = line;
        return outcome;
    }
    // Opened without blocking (a FIFO would wait for a writer) and read only
    // when it is a plain file.
    UniqueFd file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    struct stat status {};
    if (!file) {
        outcome.error = "--password-file '" + path + "': " + std::strerror(errno);
    } else if (::fstat(file.get(), &status) != 0 || !S_ISREG(status.st_mode)) {
        outcome.error = "--password-file '" + path + "': not a regular file";
    } else if (!readFirstLine(file.get(), line)) {
        outcome.error = "--password-file '" + path + "': " + std::strerror(errno);
    } else {
        outcome.password = line;
    }
    return outcome;
}

// The terminal's settings while echo is off, for the signal handler.
termios savedTerminal {};
volatile sig_atomic_t echoOff = 0;

void restoreAndRaise(int signalNumber)
{
    if (echoOff)
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &savedTerminal);
    ::signal(signalNumber, SIG_DFL);
    ::raise(signalNumber);
}

} // namespace

std::optional<std::string> promptWithoutEcho(const std::string& prompt)
{
    if (!::isatty(STDIN_FILENO) || ::tcgetattr(STDIN_FILENO, &savedTerminal) != 0)
        return std::nullopt;
    (void)!::write(STDERR_FILENO, prompt.data(), prompt.size());

    // Ctrl+C or a hang-up while typing must not leave the terminal silent.
    struct sigaction restore {}, oldInterrupt {}, oldTerminate {}, oldHangUp {};
    restore.sa_handler = restoreAndRaise;
    ::sigaction(SIGINT, &restore, &oldInterrupt);
    ::sigaction(SIGTERM, &restore, &oldTerminate);
    ::sigaction(SIGHUP, &restore, &oldHangUp);
    termios silent = savedTerminal;
    silent.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    silent.c_lflag |= ICANON;
    echoOff = ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &silent) == 0;

    std::string line;
    bool read = readFirstLine(STDIN_FILENO, line);

    if (echoOff)
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &savedTerminal);
    echoOff = 0;
    ::sigaction(SIGINT, &oldInterrupt, nullptr);
    ::sigaction(SIGTERM, &oldTerminate, nullptr);
    ::sigaction(SIGHUP, &oldHangUp, nullptr);
    (void)!::write(STDERR_FILENO, "\n", 1);
    if (!read)
        return std::nullopt;
    return line;
}

PasswordOutcome resolvePassword(const PasswordSources& sources)
{
    if (sources.argument)
        return {sources.argument, {}};
    if (sources.file)
        return fromFile(*sources.file);
    if (const char* environment = std::getenv("LORVENA_PASSWORD"))
        return {std::string(environment), {}};
    return {promptWithoutEcho("Password: "), {}};
}

} // namespace lorvena
