#include "platform/ExecutablePath.h"

namespace lorvena {

std::filesystem::path executablePath()
{
    std::error_code error;
    auto path = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::path() : path;
}

std::filesystem::path executableDirectory()
{
    return executablePath().parent_path();
}

} // namespace lorvena
