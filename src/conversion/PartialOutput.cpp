#include "conversion/PartialOutput.h"

#include "base/Errors.h"

#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <mutex>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ondrevo {
namespace {

constexpr const char* kTail = ".ondrevo-part";

bool EndsWith(const std::string& text, const std::string& tail)
{
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// Opens `path` and takes its lock without waiting. The lock is only good while the
// path still names the file locked: another program may have removed or replaced it
// between the open and the lock.
UniqueFd LockIfFree(const std::string& path)
{
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
    if (!fd.Valid() || ::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0)
        return {};
    struct stat opened { };
    struct stat named { };
    if (::fstat(fd.Get(), &opened) != 0 || ::lstat(path.c_str(), &named) != 0 || opened.st_dev != named.st_dev
        || opened.st_ino != named.st_ino || !S_ISREG(opened.st_mode))
        return {};
    return fd;
}

std::mutex recorderMutex;
PartialOutput::CallRecorder recorder;

void Record(const char* call, const std::string& path)
{
    std::lock_guard lock(recorderMutex);
    if (recorder)
        recorder(call, path);
}

int Rename(const std::string& from, const std::string& to)
{
    Record("rename", from);
    return ::rename(from.c_str(), to.c_str());
}

} // namespace

void PartialOutput::SetCallRecorder(CallRecorder callRecorder)
{
    std::lock_guard lock(recorderMutex);
    recorder = std::move(callRecorder);
}

PartialOutput::PartialOutput(const std::string& finalPath)
    : finalPath_(finalPath)
{
    const std::size_t slash = finalPath.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : finalPath.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? finalPath : finalPath.substr(slash + 1);
    path_ = folder + "." + name + "." + std::to_string(::getpid()) + kTail;
    // Another program clearing abandoned files may take the new file's lock between our
    // create and our lock, and remove it: then the name no longer names what we hold,
    // and we start again. A name left by an earlier process with our number is stale
    // and replaced, unless someone still holds it.
    for (int attempt = 0;; ++attempt) {
        lock_.Reset(::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
        if (!lock_.Valid()) {
            const int error = errno;
            if (error != EEXIST || attempt >= 3 || !LockIfFree(path_).Valid())
                throw EOSError::FromErrno(error);
            ::unlink(path_.c_str());
            continue;
        }
        struct stat opened { };
        struct stat named { };
        if (::flock(lock_.Get(), LOCK_EX | LOCK_NB) == 0 && ::fstat(lock_.Get(), &opened) == 0
            && ::lstat(path_.c_str(), &named) == 0 && opened.st_dev == named.st_dev && opened.st_ino == named.st_ino)
            return;
        if (attempt >= 3)
            throw EOSError::FromErrno(EBUSY);
    }
}

PartialOutput::~PartialOutput()
{
    Discard();
}

long long PartialOutput::Size() const
{
    struct stat status { };
    return ::stat(path_.c_str(), &status) == 0 ? static_cast<long long>(status.st_size) : 0;
}

void PartialOutput::Commit()
{
    if (done_)
        return;
    if (Rename(path_, finalPath_) != 0)
        throw EOSError::FromErrno(errno);
    done_ = true;
    lock_.Reset();
}

void PartialOutput::CommitWithoutReplacing()
{
    if (done_)
        return;
    Record("rename", path_);
    if (::renameat2(AT_FDCWD, path_.c_str(), AT_FDCWD, finalPath_.c_str(), RENAME_NOREPLACE) != 0) {
        const int error = errno;
        if (error != EINVAL && error != ENOSYS)
            throw EOSError::FromErrno(error);
        // A file system that cannot rename without replacing: a hard link fails just as
        // atomically when the name is taken.
        if (::link(path_.c_str(), finalPath_.c_str()) != 0)
            throw EOSError::FromErrno(errno);
        ::unlink(path_.c_str());
    }
    done_ = true;
    lock_.Reset();
}

void PartialOutput::MakeDurable(const std::string& path) noexcept
{
    const UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
    if (fd.Valid() && ::fdatasync(fd.Get()) == 0)
        Record("sync", path);
}

void PartialOutput::Discard() noexcept
{
    if (done_)
        return;
    done_ = true;
    ::unlink(path_.c_str());
    lock_.Reset();
}

std::string PartialOutput::IdentityOf(const std::string& path)
{
    struct stat status { };
    if (::lstat(path.c_str(), &status) != 0)
        return "";
    return std::to_string(status.st_dev) + ":" + std::to_string(status.st_ino);
}

bool PartialOutput::IsPartialName(const std::string& name)
{
    return name.size() > 1 + std::char_traits<char>::length(kTail) && name.front() == '.' && EndsWith(name, kTail);
}

int PartialOutput::RemoveAbandoned(const std::string& folder)
{
    DIR* directory = ::opendir(folder.c_str());
    if (!directory)
        return 0;
    int removed = 0;
    while (const dirent* entry = ::readdir(directory)) {
        const std::string name = entry->d_name;
        if (!IsPartialName(name))
            continue;
        const std::string path = folder + "/" + name;
        // Held by a running program (a second copy converting into this folder): kept.
        const UniqueFd lock = LockIfFree(path);
        if (lock.Valid() && ::unlink(path.c_str()) == 0)
            ++removed;
    }
    ::closedir(directory);
    return removed;
}

} // namespace ondrevo
