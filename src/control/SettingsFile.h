#pragma once

#include <filesystem>

namespace lorvena {

// Account.ini: the one settings file, holding the search mode (section
// "SEARCHTYPE", key "TYPE": "0" old generation, "1" new).
//
// It lives next to the executable. An installed program's folder is usually
// not writable, and a mode switch that cannot be saved would silently start
// the old mode again; so the per-user $XDG_CONFIG_HOME/lorvena/Account.ini
// (~/.config/lorvena without XDG_CONFIG_HOME) stands in for it:
// - reading: the per-user file when it exists, else the one beside the
//   executable;
// - writing: the per-user file when it exists; else the one beside the
//   executable when that folder is writable; else the per-user file, which
//   from then on is the one read.
// So a file left beside the program by a run as root, in a folder the user
// cannot write, is read until the user's first switch and never again after.
class SettingsFile {
public:
    using WritableCheck = bool (*)(const std::filesystem::path& folder);
    static bool isWritableFolder(const std::filesystem::path& folder);

    // `executableFolder` empty means the current directory.
    explicit SettingsFile(std::filesystem::path executableFolder, WritableCheck isWritable = isWritableFolder);

    // The file read now, and the file a write goes to.
    std::filesystem::path path() const;
    std::filesystem::path writePath() const;

    // The stored mode; 0 when the file, section, key or number is missing.
    int readSearchMode() const;
    // Writes "0" or "1"; false when it could not be saved.
    bool writeSearchMode(int searchMode) const;
    // How long a changed device is looked for at its new settings: section
    // "VERIFY", key "WAIT", whole seconds 0..600 (0: not looked for);
    // 15 when missing or out of range.
    int readVerifyWaitSeconds() const;

    static constexpr const char* fileName = "Account.ini";
    static constexpr const char* section = "SEARCHTYPE";
    static constexpr const char* key = "TYPE";

private:
    std::filesystem::path besideExecutable_;
    std::filesystem::path userFile_; // empty without HOME or XDG_CONFIG_HOME
    bool folderWritable_;
};

} // namespace lorvena
