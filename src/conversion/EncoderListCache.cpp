#include "conversion/EncoderListCache.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace ondrevo {
namespace {

// Where Debian notes every installed package; written at each install and removal.
constexpr const char* kPackageDatabase = "/var/lib/dpkg/status";

std::string FileStamp(const struct stat& status)
{
    return std::to_string(status.st_dev) + ":" + std::to_string(status.st_ino) + ":"
        + std::to_string(status.st_size) + ":" + std::to_string(status.st_mtim.tv_sec) + "."
        + std::to_string(status.st_mtim.tv_nsec);
}

// A short name for a path: FNV-1a, in hex.
std::string Hashed(const std::string& text)
{
    unsigned long long hash = 1469598103934665603ULL;
    for (const unsigned char c : text) {
        hash ^= c;
        hash *= 1099511628211ULL;
    }
    char name[17];
    std::snprintf(name, sizeof name, "%016llx", hash);
    return name;
}

} // namespace

EncoderListCache::EncoderListCache(std::string folder)
    : folder_(std::move(folder))
{
}

std::string EncoderListCache::StampOf(const std::string& program)
{
    struct stat status { };
    if (::stat(program.c_str(), &status) != 0 || !S_ISREG(status.st_mode))
        return "";
    std::string stamp = FileStamp(status);
    struct stat packages { };
    if (::stat(kPackageDatabase, &packages) == 0)
        stamp += " " + FileStamp(packages);
    return stamp;
}

std::string EncoderListCache::FileOf(const std::string& program) const
{
    return folder_ + "/encoders-" + Hashed(program);
}

std::optional<std::set<std::string>> EncoderListCache::Read(const std::string& program) const
{
    if (folder_.empty())
        return std::nullopt;
    const std::string stamp = StampOf(program);
    std::ifstream file(FileOf(program));
    std::string keptProgram;
    std::string keptStamp;
    if (stamp.empty() || !std::getline(file, keptProgram) || !std::getline(file, keptStamp) || keptProgram != program
        || keptStamp != stamp)
        return std::nullopt;
    std::set<std::string> encoders;
    for (std::string name; std::getline(file, name);)
        if (!name.empty())
            encoders.insert(name);
    // An empty list is never kept: one that reads as empty was cut short.
    if (encoders.empty())
        return std::nullopt;
    return encoders;
}

void EncoderListCache::Write(const std::string& program, const std::set<std::string>& encoders) const
{
    const std::string stamp = StampOf(program);
    if (folder_.empty() || stamp.empty() || encoders.empty())
        return;
    std::error_code ignored;
    std::filesystem::create_directories(folder_, ignored);
    // Written beside its name and renamed over it: a reader never sees half a list.
    const std::string path = FileOf(program);
    const std::string temporary = path + "." + std::to_string(::getpid());
    {
        std::ofstream file(temporary, std::ios::trunc);
        file << program << '\n' << stamp << '\n';
        for (const std::string& name : encoders)
            file << name << '\n';
        if (!file.flush()) {
            std::filesystem::remove(temporary, ignored);
            return;
        }
    }
    std::filesystem::rename(temporary, path, ignored);
    if (ignored)
        std::filesystem::remove(temporary, ignored);
}

} // namespace ondrevo
