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

std::string& OutputOverride()
{
    static std::string folder;
    return folder;
}

std::string WithSeparator(std::string folder)
{
    if (!folder.empty() && folder.back() != '/')
        folder += '/';
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

std::string DefaultOutputFolder()
{
    if (!OutputOverride().empty())
        return OutputOverride();
    return ProgramFolder() + "FFOutput";
}

void UseProgramFolder(std::string folder, std::string defaultOutput)
{
    Override() = WithSeparator(std::move(folder));
    OutputOverride() = std::move(defaultOutput);
}

void SetProgramFolderForTesting(std::string folder)
{
    UseProgramFolder(std::move(folder), "");
}

} // namespace ondrevo
