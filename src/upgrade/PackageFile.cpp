#include "upgrade/PackageFile.h"

#include <fcntl.h>
#include <sys/stat.h>

namespace lorvena {

OpenedPackage OpenPackage(const std::string& path)
{
    OpenedPackage package;
    package.file.reset(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (!package.file) {
        package.problem = PackageProblem::CannotOpen;
        return package;
    }
    struct stat status {};
    if (::fstat(package.file.get(), &status) != 0 || !S_ISREG(status.st_mode)) {
        package.file.reset();
        package.problem = PackageProblem::NotAFile;
        return package;
    }
    // Reads of a regular file never wait anyway; the flag only mattered for
    // the open itself.
    const int flags = ::fcntl(package.file.get(), F_GETFL);
    if (flags >= 0)
        ::fcntl(package.file.get(), F_SETFL, flags & ~O_NONBLOCK);
    package.length = static_cast<std::uint64_t>(status.st_size);
    if (package.length == 0)
        package.problem = PackageProblem::Empty;
    else if (package.length > largestPackageBytes)
        package.problem = PackageProblem::TooLarge;
    return package;
}

} // namespace lorvena
