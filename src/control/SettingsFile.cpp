#include "control/SettingsFile.h"

#include "platform/IniFile.h"

#include <unistd.h>

#include <cstdlib>

namespace lorvena {

namespace {

std::filesystem::path userConfigFolder()
{
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg)
        return std::filesystem::path(xdg) / "lorvena";
    if (const char* home = std::getenv("HOME"); home && *home)
        return std::filesystem::path(home) / ".config" / "lorvena";
    return {};
}

} // namespace

bool SettingsFile::isWritableFolder(const std::filesystem::path& folder)
{
    return ::access(folder.empty() ? "." : folder.c_str(), W_OK) == 0;
}

SettingsFile::SettingsFile(std::filesystem::path executableFolder, WritableCheck isWritable)
    : besideExecutable_(executableFolder / fileName), folderWritable_(isWritable(executableFolder))
{
    std::filesystem::path userFolder = userConfigFolder();
    if (!userFolder.empty())
        userFile_ = userFolder / fileName;
}

namespace {

bool present(const std::filesystem::path& file)
{
    std::error_code error;
    return !file.empty() && std::filesystem::exists(std::filesystem::symlink_status(file, error));
}

} // namespace

std::filesystem::path SettingsFile::path() const
{
    if (present(userFile_))
        return userFile_;
    if (present(besideExecutable_))
        return besideExecutable_;
    return writePath();
}

std::filesystem::path SettingsFile::writePath() const
{
    if (present(userFile_) || (!folderWritable_ && !userFile_.empty()))
        return userFile_;
    return besideExecutable_;
}

int SettingsFile::readSearchMode() const
{
    return readProfileInt(path(), section, key, 0);
}

int SettingsFile::readVerifyWaitSeconds() const
{
    constexpr int fallback = 15;
    int seconds = readProfileInt(path(), "VERIFY", "WAIT", fallback);
    return seconds >= 0 && seconds <= 600 ? seconds : fallback;
}

bool SettingsFile::writeSearchMode(int searchMode) const
{
    const std::filesystem::path file = writePath();
    std::error_code error;
    if (file.has_parent_path())
        std::filesystem::create_directories(file.parent_path(), error);
    return writeProfileString(file, section, key, searchMode == 0 ? "0" : "1");
}

} // namespace lorvena
