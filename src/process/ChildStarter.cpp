#include "process/ChildStarter.h"

#include "base/Errors.h"
#include "process/GroupGuard.h"
#include "process/SpawnerThread.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <mutex>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <system_error>
#include <unistd.h>

extern char** environ;

namespace ondrevo {
namespace {

// A child that closes its input must not kill the program when the watcher writes to
// it: the write gives EPIPE instead. Done once, and only when nobody installed a
// handler of their own. Children get the default disposition back (see ChildExec).
void IgnoreBrokenPipeOnce()
{
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction current { };
        if (::sigaction(SIGPIPE, nullptr, &current) == 0 && current.sa_handler == SIG_DFL) {
            struct sigaction ignore { };
            ignore.sa_handler = SIG_IGN;
            sigemptyset(&ignore.sa_mask);
            ::sigaction(SIGPIPE, &ignore, nullptr);
        }
    });
}

// The child's end of a pipe must not be 0, 1 or 2: with our own standard streams
// closed, pipe2() may hand those out, and the dup2() onto 0/1/2 in the child would
// then overwrite one end with another.
void MoveAboveStandardStreams(UniqueFd& fd)
{
    if (fd.Get() > 2)
        return;
    const int moved = ::fcntl(fd.Get(), F_DUPFD_CLOEXEC, 3);
    if (moved < 0)
        throw EOSError::FromErrno(errno);
    fd.Reset(moved);
}

void SetNonBlocking(const UniqueFd& fd)
{
    const int flags = ::fcntl(fd.Get(), F_GETFL);
    if (flags < 0 || ::fcntl(fd.Get(), F_SETFL, flags | O_NONBLOCK) < 0)
        throw EOSError::FromErrno(errno);
}

struct Pipe {
    UniqueFd read, write;
};

// `childReads`: the child gets the read end (its input); otherwise the write end.
// Our end is non-blocking (O_NONBLOCK belongs to one end only; the child's stays blocking).
Pipe MakePipe(bool childReads)
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) < 0)
        throw EOSError::FromErrno(errno);
    Pipe pipe { UniqueFd(fds[0]), UniqueFd(fds[1]) };
    MoveAboveStandardStreams(childReads ? pipe.read : pipe.write);
    SetNonBlocking(childReads ? pipe.write : pipe.read);
    return pipe;
}

std::string Trimmed(const std::string& text)
{
    std::size_t first = 0, last = text.size();
    while (first < last && static_cast<unsigned char>(text[first]) <= ' ')
        ++first;
    while (last > first && static_cast<unsigned char>(text[last - 1]) <= ' ')
        --last;
    return text.substr(first, last - first);
}

// The file the exec runs for `program`: a name with "/" as it is, otherwise the first
// executable file of that name in the folders of our PATH (the system's default path
// without one), as execvp() would find it. Looked up here because the child may only
// make system calls. An empty or relative folder counts from our working directory.
std::string ProgramPath(const std::string& program)
{
    if (program.find('/') != std::string::npos)
        return program;
    std::string folders;
    if (const char* path = std::getenv("PATH")) {
        folders = path;
    } else {
        folders.resize(::confstr(_CS_PATH, nullptr, 0));
        ::confstr(_CS_PATH, folders.data(), folders.size());
        folders.resize(std::strlen(folders.c_str()));
    }
    bool denied = false; // found, but not an executable file
    for (std::size_t start = 0;;) {
        const std::size_t end = std::min(folders.find(':', start), folders.size());
        const std::string folder = folders.substr(start, end - start);
        const std::string candidate = folder.empty() ? program : folder + "/" + program;
        struct stat file { };
        if (::stat(candidate.c_str(), &file) == 0) {
            if (S_ISREG(file.st_mode) && ::faccessat(AT_FDCWD, candidate.c_str(), X_OK, AT_EACCESS) == 0) {
                std::error_code failed; // the child may start elsewhere: a relative find is made absolute
                const auto absolute = std::filesystem::absolute(candidate, failed);
                return failed ? candidate : absolute.string();
            }
            denied = true;
        }
        if (end == folders.size())
            break;
        start = end + 1;
    }
    throw EOSError::FromErrno(denied ? EACCES : ENOENT);
}

std::vector<char*> NullTerminated(const std::vector<std::string>& texts, bool skipEmpty)
{
    std::vector<char*> pointers;
    pointers.reserve(texts.size() + 1);
    for (const auto& text : texts) {
        if (skipEmpty && text.empty())
            continue;
        // A NUL inside would silently cut the argument short.
        if (text.find('\0') != std::string::npos)
            throw EOSError::FromErrno(EINVAL);
        pointers.push_back(const_cast<char*>(text.c_str()));
    }
    pointers.push_back(nullptr);
    return pointers;
}

} // namespace

int ChildStarter::NiceValue(TJvProcessPriority priority)
{
    // Linux has no priority classes; the nice value stands in for them. Raising the
    // priority (negative values) needs privilege and is skipped without it.
    switch (priority) {
    case TJvProcessPriority::ppIdle:
        return 19;
    case TJvProcessPriority::ppHigh:
        return -10;
    case TJvProcessPriority::ppRealTime:
        return -20;
    case TJvProcessPriority::ppNormal:
        break;
    }
    return 0;
}

StartedChild ChildStarter::Start(const ChildStartup& startup)
{
    if (startup.arguments.empty() || startup.arguments.front().empty())
        throw EOSError::FromErrno(ENOENT);
    IgnoreBrokenPipeOnce();

    std::vector<char*> argv = NullTerminated(startup.arguments, false);
    std::vector<char*> envp;
    if (!startup.environment.empty())
        envp = NullTerminated(startup.environment, true);
    const std::string path = ProgramPath(startup.arguments.front());
    const std::string directory = Trimmed(startup.directory);

    ChildExec exec;
    exec.path = path.c_str();
    exec.argv = argv.data();
    exec.envp = envp.empty() ? environ : envp.data();
    exec.directory = directory.empty() ? nullptr : directory.c_str();
    exec.nice = NiceValue(startup.priority);
    exec.parent = ::getpid();

    Pipe input, output, error;
    if (startup.redirect) {
        input = MakePipe(true);
        output = MakePipe(false);
        // A larger pipe lets a child that writes a lot go on while the reader is busy;
        // the system may refuse (per-user limits), which only costs speed.
        ::fcntl(output.read.Get(), F_SETPIPE_SZ, 1 << 20);
        if (startup.separateError)
            error = MakePipe(false);
        exec.input = input.read.Get();
        exec.output = output.write.Get();
        exec.error = startup.separateError ? error.write.Get() : output.write.Get();
    }

    // Started from the spawner thread, so that the child dies with our process, and
    // registered with the group guard, so that what it starts dies too. Errors of the
    // child's set-up and of exec come back as its errno.
    int failure = 0;
    pid_t pid = -1;
    {
        GroupGuard::Lease guard = GroupGuard::Take();
        exec.registration = guard.Fd();
        try {
            pid = SpawnerThread::Start(exec, failure);
        } catch (const std::system_error& e) {
            throw EOSError::FromErrno(e.code().value());
        }
        if (pid >= 0)
            guard.Registered(pid);
    }
    if (pid < 0)
        throw EOSError::FromErrno(failure);

    StartedChild child;
    child.pid = pid;
    child.pidfd.Reset(static_cast<int>(::syscall(SYS_pidfd_open, pid, 0)));
    // Our copies of the child's ends close here, so end-of-file comes when the child
    // and whatever inherited them are done.
    child.input = std::move(input.write);
    child.output = std::move(output.read);
    child.error = std::move(error.read);
    return child;
}

} // namespace ondrevo
