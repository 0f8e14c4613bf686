// Account.ini as whatever left it there wrote it: the search mode read at
// start-up and rewritten on a mode switch. Each input is the file's content,
// written to a private folder, so the real file reader runs. A switch must
// keep every other line and read back as the mode written.
#include "FuzzCheck.h"

#include "control/SettingsFile.h"

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

using namespace lorvena;

namespace {

const std::filesystem::path& folder()
{
    static const std::filesystem::path made = [] {
        // Memory-backed when the machine has it: each run writes the file
        // three times, and a disk makes that the whole cost of a run.
        const std::filesystem::path base =
            access("/dev/shm", W_OK) == 0 ? std::filesystem::path("/dev/shm") : std::filesystem::temp_directory_path();
        std::string pattern = (base / "lorvena-fuzz-ini-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            std::abort();
        return std::filesystem::path(pattern);
    }();
    return made;
}

struct RemoveFolderAtExit {
    ~RemoveFolderAtExit()
    {
        std::error_code error;
        std::filesystem::remove_all(folder(), error);
    }
};

std::string contentOf(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static RemoveFolderAtExit cleanup;
    const SettingsFile settings(folder(), [](const std::filesystem::path&) { return true; });
    {
        std::ofstream out(settings.path(), std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    const int mode = settings.readSearchMode();
    const int switched = mode == 0 ? 1 : 0;
    FUZZ_CHECK(settings.writeSearchMode(switched));
    FUZZ_CHECK(settings.readSearchMode() == switched);
    // Writing the same mode again changes nothing.
    const std::string once = contentOf(settings.path());
    FUZZ_CHECK(settings.writeSearchMode(switched));
    FUZZ_CHECK(contentOf(settings.path()) == once);
    return 0;
}
