#pragma once

#include <optional>
#include <string>

namespace lorvena {

// Where a command's password comes from, first found first:
// 1. --password PW (seen by anyone who lists processes, and kept in shell
//    history: for scripts on a machine of one's own);
// 2. --password-file FILE: its first line; "-" reads standard input;
// 3. the environment variable LORVENA_PASSWORD;
// 4. a prompt without echo, when standard input is a terminal.
// Without any of them the command goes on without a password, as the window
// does with an empty password field.
struct PasswordSources {
    std::optional<std::string> argument;
    std::optional<std::string> file;
};

struct PasswordOutcome {
    std::optional<std::string> password;
    // Set when a source was named but could not be read.
    std::string error;
};

PasswordOutcome resolvePassword(const PasswordSources& sources);

// The line a user types on the terminal at standard input, not echoed; the
// prompt goes to standard error. Nothing when standard input is no terminal.
std::optional<std::string> promptWithoutEcho(const std::string& prompt);

} // namespace lorvena
