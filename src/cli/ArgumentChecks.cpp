#include "cli/ArgumentChecks.h"

#include "control/SettingsFile.h"
#include "control/UpgradeMessages.h"
#include "platform/ExecutablePath.h"
#include "platform/TextCodec.h"
#include "platform/UniqueFd.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>

namespace lorvena {

namespace {

// The old generation's form shows the new address, the mask and the
// gateway only, and its request carries nothing else: any other value would
// be dropped without a word.
std::optional<UsageError> oldGenerationFields(const ChangeOptions& change, const SearchCommand& search)
{
    const std::pair<bool, const char*> given[] = {
        {change.dns.has_value(), "--dns"},
        {change.httpPort.has_value(), "--http-port"},
        {change.rtspPort.has_value(), "--rtsp-port"},
        {change.dhcp.has_value(), "--dhcp"},
        {change.userName.has_value(), "--user"},
        {change.password.has_value(), "--password"},
        {change.passwordFile.has_value(), "--password-file"},
    };
    for (const auto& [present, option] : given) {
        if (!present)
            continue;
        std::string mode = search.searchMode ? "--mode old" : "the old mode stored in Account.ini";
        return UsageError {std::string(option) + " has no field in the old generation (" + mode +
            "), which changes the address, mask and gateway only; devices of the new generation need --mode new"};
    }
    return std::nullopt;
}

} // namespace

int chosenSearchMode(const SearchCommand& search)
{
    return search.searchMode.value_or(SettingsFile(executableDirectory()).readSearchMode());
}

std::optional<UsageError> checkBeforeSearch(const SetCommand& command, int searchMode)
{
    if (searchMode == 0)
        return oldGenerationFields(command.change, command.search);
    return std::nullopt;
}

std::optional<UsageError> checkBeforeSearch(const BatchCommand& command, int searchMode)
{
    if (searchMode == 0)
        return oldGenerationFields(command.change, command.search);
    // A single change refuses a longer password with the window's message; a
    // batch does not check, and the device's 32-byte field would cut it.
    if (command.change.password && utf8ToDeviceText(*command.change.password).size() > 31)
        return UsageError {"the password is longer than the 31 characters a device takes"};
    return std::nullopt;
}

std::optional<UsageError> checkBeforeSearch(const UpgradeCommand& command)
{
    // Without O_NONBLOCK a FIFO would hold the open until a writer came.
    UniqueFd file(::open(command.file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    std::string problem;
    struct stat status {};
    if (!file.valid())
        problem = std::strerror(errno);
    else if (::fstat(file.get(), &status) != 0)
        problem = std::strerror(errno);
    else if (!S_ISREG(status.st_mode))
        problem = "not a regular file";
    if (problem.empty())
        return std::nullopt;
    return UsageError {"--file '" + command.file + "': " + std::string(UpgradeMessages::invalidFile) + " (" + problem +
        ")"};
}

} // namespace lorvena
