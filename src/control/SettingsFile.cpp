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
{
    std::filesystem::path besideExecutable = executableFolder / fileName;
    std::error_code error;
    if (std::filesystem::exists(besideExecutable, error) || isWritable(executableFolder)) {
        path_ = besideExecutable;
        return;
    }
    std::filesystem::path userFolder = userConfigFolder();
    path_ = userFolder.empty() ? besideExecutable : userFolder / fileName;
}

int SettingsFile::readSearchMode() const
{
    return readProfileInt(path_, section, key, 0);
}

int SettingsFile::readVerifyWaitSeconds() const
{
    constexpr int fallback = 15;
    int seconds = readProfileInt(path_, "VERIFY", "WAIT", fallback);
    return seconds >= 0 && seconds <= 600 ? seconds : fallback;
}

bool SettingsFile::writeSearchMode(int searchMode) const
{
    std::error_code error;
    if (path_.has_parent_path())
        std::filesystem::create_directories(path_.parent_path(), error);
    return writeProfileString(path_, section, key, searchMode == 0 ? "0" : "1");
}

} // namespace lorvena
