#include "conversion/PassLog.h"

#include "base/Errors.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <signal.h>
#include <string_view>
#include <sys/types.h>
#include <unistd.h>
#include <vector>

namespace ondrevo {
namespace {

constexpr std::string_view kNameStart = "ondrevo-passes-";

// Removes the files in `folder` (the encoder makes no subfolders), then the folder.
void RemoveFolder(const std::string& folder) noexcept
{
    if (DIR* dir = ::opendir(folder.c_str())) {
        std::vector<std::string> names;
        while (const dirent* entry = ::readdir(dir)) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..")
                names.push_back(name);
        }
        ::closedir(dir);
        for (const std::string& name : names)
            ::unlink((folder + "/" + name).c_str());
    }
    ::rmdir(folder.c_str());
}

// The process id in a folder name "ondrevo-passes-<pid>-XXXXXX", or 0.
pid_t OwnerOf(const std::string& name)
{
    if (name.compare(0, kNameStart.size(), kNameStart) != 0)
        return 0;
    pid_t pid = 0;
    std::size_t at = kNameStart.size();
    for (; at < name.size() && name[at] >= '0' && name[at] <= '9' && pid < 100000000; ++at)
        pid = pid * 10 + (name[at] - '0');
    return at < name.size() && name[at] == '-' ? pid : 0;
}

} // namespace

std::string PassLog::TemporaryFolder()
{
    const char* tmp = std::getenv("TMPDIR");
    std::string folder = tmp && *tmp == '/' ? tmp : "/tmp";
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return folder;
}

PassLog::PassLog()
{
    std::string name = TemporaryFolder() + "/" + std::string(kNameStart) + std::to_string(::getpid()) + "-XXXXXX";
    // Said with the folder: the row's hint would otherwise name the encoder.
    if (!::mkdtemp(name.data()))
        throw Exception(
            "The statistics of the two passes cannot be kept in " + TemporaryFolder() + ": " + std::strerror(errno));
    folder_ = name;
}

PassLog::~PassLog()
{
    RemoveFolder(folder_);
}

int PassLog::RemoveAbandoned()
{
    const std::string folder = TemporaryFolder();
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return 0;
    std::vector<std::string> abandoned;
    while (const dirent* entry = ::readdir(dir)) {
        const pid_t owner = OwnerOf(entry->d_name);
        if (owner > 0 && owner != ::getpid() && ::kill(owner, 0) != 0 && errno == ESRCH)
            abandoned.push_back(folder + "/" + entry->d_name);
    }
    ::closedir(dir);
    for (const std::string& path : abandoned)
        RemoveFolder(path);
    return static_cast<int>(abandoned.size());
}

} // namespace ondrevo
