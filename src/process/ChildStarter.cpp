#include "process/ChildStarter.h"

#include "base/Errors.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <mutex>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/syscall.h>

extern char** environ;

namespace ondrevo {
namespace {

// A child that closes its input must not kill the program when the watcher writes to
// it: the write gives EPIPE instead. Done once, and only when nobody installed a
// handler of their own. Children get the default disposition back (POSIX_SPAWN_SETSIGDEF).
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

void Check(int result)
{
    if (result != 0)
        throw EOSError::FromErrno(result);
}

class FileActions {
public:
    FileActions() { Check(::posix_spawn_file_actions_init(&actions_)); }
    ~FileActions() { ::posix_spawn_file_actions_destroy(&actions_); }
    posix_spawn_file_actions_t* Get() { return &actions_; }

private:
    posix_spawn_file_actions_t actions_;
};

class SpawnAttributes {
public:
    SpawnAttributes() { Check(::posix_spawnattr_init(&attributes_)); }
    ~SpawnAttributes() { ::posix_spawnattr_destroy(&attributes_); }
    posix_spawnattr_t* Get() { return &attributes_; }

private:
    posix_spawnattr_t attributes_;
};

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

    Pipe input, output, error;
    FileActions actions;
    if (startup.redirect) {
        input = MakePipe(true);
        output = MakePipe(false);
        // A larger pipe lets a child that writes a lot go on while the reader is busy;
        // the system may refuse (per-user limits), which only costs speed.
        ::fcntl(output.read.Get(), F_SETPIPE_SZ, 1 << 20);
        if (startup.separateError)
            error = MakePipe(false);
        Check(::posix_spawn_file_actions_adddup2(actions.Get(), input.read.Get(), 0));
        Check(::posix_spawn_file_actions_adddup2(actions.Get(), output.write.Get(), 1));
        Check(::posix_spawn_file_actions_adddup2(
            actions.Get(), startup.separateError ? error.write.Get() : output.write.Get(), 2));
    }
    const std::string directory = Trimmed(startup.directory);
    if (!directory.empty())
        Check(::posix_spawn_file_actions_addchdir_np(actions.Get(), directory.c_str()));
    // Whatever else is open here without close-on-exec (other libraries' descriptors)
    // stays out of the child.
    Check(::posix_spawn_file_actions_addclosefrom_np(actions.Get(), 3));

    // A clean signal mask and default dispositions: the child must not inherit our
    // ignored SIGPIPE or any blocked signal.
    SpawnAttributes attributes;
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    Check(::posix_spawnattr_setflags(attributes.Get(), POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF));
    Check(::posix_spawnattr_setsigmask(attributes.Get(), &none));
    Check(::posix_spawnattr_setsigdefault(attributes.Get(), &all));

    // posix_spawnp looks a program without "/" up on our PATH and takes one with "/"
    // as it is. Errors of the child's set-up and of exec come back as the result.
    pid_t pid = 0;
    Check(::posix_spawnp(
        &pid, argv[0], actions.Get(), attributes.Get(), argv.data(), envp.empty() ? environ : envp.data()));

    StartedChild child;
    child.pid = pid;
    child.pidfd.Reset(static_cast<int>(::syscall(SYS_pidfd_open, pid, 0)));
    if (const int nice = NiceValue(startup.priority); nice != 0)
        ::setpriority(PRIO_PROCESS, static_cast<id_t>(pid), nice); // best effort, see NiceValue
    // Our copies of the child's ends close here, so end-of-file comes when the child
    // and whatever inherited them are done.
    child.input = std::move(input.write);
    child.output = std::move(output.read);
    child.error = std::move(error.read);
    return child;
}

} // namespace ondrevo
