#include "base/ProgramFolder.h"

#include <climits>
#include <unistd.h>

namespace ondrevo {
namespace {

std::string& Override()
{
    static std::string folder;
    return folder;
}

} // namespace

std::string ProgramFolder()
{
    if (!Override().empty())
        return Override();
    char path[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0)
        return "./";
    std::string exe(path, static_cast<std::size_t>(n));
    return exe.substr(0, exe.rfind('/') + 1);
}

void SetProgramFolderForTesting(std::string folder)
{
    if (!folder.empty() && folder.back() != '/')
        folder += '/';
    Override() = std::move(folder);
}

} // namespace ondrevo
