#include "upgrade/PackageName.h"

namespace lorvena {

namespace {

std::string_view fileName(std::string_view path)
{
    std::size_t separator = path.rfind('\\');
    if (separator == std::string_view::npos)
        separator = path.rfind('/');
    return separator == std::string_view::npos ? path : path.substr(separator + 1);
}

// The file name without its extension; a dot in a folder name is no extension.
std::string_view packageTitle(std::string_view path)
{
    const std::string_view name = fileName(path);
    return name.substr(0, name.rfind('.'));
}

} // namespace

bool CheckPackageName(std::string_view path, std::string_view version)
{
    const std::string_view title = packageTitle(path);
    const std::size_t firstBreak = title.find('_');
    if (firstBreak == std::string_view::npos)
        return true;
    const std::string_view firstField = title.substr(0, firstBreak);
    const std::size_t secondBreak = title.find('_', firstBreak + 1);
    const std::string_view secondField = secondBreak == std::string_view::npos
        ? std::string_view {}
        : title.substr(firstBreak + 1, secondBreak - firstBreak - 1);

    const std::size_t plus = version.find('+');
    const std::string_view versionTail = plus == std::string_view::npos ? version : version.substr(plus + 1);
    return versionTail.starts_with(firstField) && version.starts_with(secondField);
}

} // namespace lorvena
