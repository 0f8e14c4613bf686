#include "cli/ArgumentChecks.h"

#include "control/SettingsFile.h"
#include "control/UpgradeMessages.h"
#include "platform/ExecutablePath.h"
#include "platform/TextCodec.h"
#include "upgrade/PackageFile.h"

#include <cerrno>
#include <cstring>

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
    // The same reading of the package the Upgrade command makes, without
    // blocking on a FIFO; an empty package is left for that command to judge.
    errno = 0;
    OpenedPackage package = OpenPackage(command.file);
    const int error = errno;
    std::string problem;
    switch (package.problem) {
    case PackageProblem::None:
    case PackageProblem::Empty:
        return std::nullopt;
    case PackageProblem::CannotOpen:
        problem = std::strerror(error);
        break;
    case PackageProblem::NotAFile:
        problem = "not a regular file";
        break;
    case PackageProblem::TooLarge:
        problem = "4 GiB or more: its length does not fit the upload's size field";
        break;
    }
    return UsageError {"--file '" + command.file + "': " + std::string(UpgradeMessages::invalidFile) + " (" + problem +
        ")"};
}

} // namespace lorvena
