#include "process/GroupGuard.h"

#include "process/SpawnerThread.h"
#include "process/UniqueFd.h"

#include <cerrno>
#include <fcntl.h>
#include <set>
#include <string>
#include <sys/wait.h>
#include <system_error>
#include <unistd.h>

namespace ondrevo {
namespace {

// Reads "+GROUP" and "-GROUP" lines; at end-of-file kills the groups still listed. Only
// its own list is trusted: a line that is not a number is passed over.
constexpr const char* kGuardScript = R"(trap '' HUP INT QUIT TERM PIPE
live=' '
while read -r record; do
  group=${record#?}
  case $group in ''|*[!0-9]*) continue ;; esac
  case $record in
    +*) case $live in *" $group "*) ;; *) live="$live$group " ;; esac ;;
    -*) case $live in *" $group "*) live="${live%% $group *} ${live#* $group }" ;; esac ;;
  esac
done
for group in $live; do kill -s KILL -- "-$group"; done 2>/dev/null
)";

// A descriptor above 0, 1 and 2, close-on-exec: with our standard streams closed, the
// system may hand those out, and a child's set-up would overwrite them.
UniqueFd AboveStandardStreams(int fd)
{
    UniqueFd owned(fd);
    if (fd >= 0 && fd <= 2)
        owned.Reset(::fcntl(fd, F_DUPFD_CLOEXEC, 3));
    return owned;
}

class Guard {
public:
    std::mutex mutex;

    // mutex held. The descriptor children register on, once a guard runs.
    int Fd()
    {
        ForgetParentsAfterFork();
        if (pid_ > 0 && Ended())
            Drop();
        if (!writer_.Valid())
            Start();
        return writer_.Get();
    }

    // mutex held.
    void Add(pid_t group) { groups_.insert(group); }

    // mutex held.
    void Remove(pid_t group)
    {
        ForgetParentsAfterFork();
        if (groups_.erase(group) > 0 && writer_.Valid())
            Send("-" + std::to_string(group) + "\n");
    }

private:
    // In a process made by fork() the guard and the groups are its parent's: it starts
    // a guard of its own for its own children.
    void ForgetParentsAfterFork()
    {
        const pid_t self = ::getpid();
        if (owner_ == self)
            return;
        owner_ = self;
        writer_.Reset();
        pid_ = 0;
        groups_.clear();
    }

    bool Ended()
    {
        siginfo_t info {};
        if (::waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOHANG) < 0)
            return errno != EINTR; // ECHILD: reaped elsewhere
        return info.si_pid != 0;
    }

    void Drop()
    {
        writer_.Reset();
        pid_ = 0;
    }

    void Start()
    {
        int ends[2];
        if (::pipe2(ends, O_CLOEXEC) < 0)
            return;
        UniqueFd reader = AboveStandardStreams(ends[0]);
        UniqueFd writer = AboveStandardStreams(ends[1]);
        UniqueFd nowhere = AboveStandardStreams(::open("/dev/null", O_WRONLY | O_CLOEXEC));
        if (!reader.Valid() || !writer.Valid() || !nowhere.Valid())
            return;
        // A guard that stops reading must not stop a child's start: a record that does
        // not fit is dropped.
        ::fcntl(writer.Get(), F_SETFL, O_NONBLOCK);

        char* argv[] = { const_cast<char*>("sh"), const_cast<char*>("-c"), const_cast<char*>(kGuardScript),
            const_cast<char*>("ondrevo-group-guard"), nullptr };
        char* envp[] = { const_cast<char*>("PATH=/usr/bin:/bin"), nullptr };
        ChildExec exec;
        exec.path = "/bin/sh";
        exec.argv = argv;
        exec.envp = envp;
        exec.input = reader.Get();
        exec.output = nowhere.Get();
        exec.error = nowhere.Get();
        exec.directory = "/";
        exec.parent = ::getpid();
        exec.diesWithParent = false; // it must outlive us, to act on our end
        int error = 0;
        pid_t pid = -1;
        try {
            pid = SpawnerThread::Start(exec, error);
        } catch (const std::system_error&) {
        }
        if (pid < 0)
            return;
        pid_ = pid;
        writer_ = std::move(writer);
        for (const pid_t group : groups_)
            Send("+" + std::to_string(group) + "\n");
    }

    void Send(const std::string& record)
    {
        // Short records are written whole or not at all (below PIPE_BUF).
        if (::write(writer_.Get(), record.data(), record.size()) < 0 && errno == EPIPE)
            Drop(); // the guard is gone; the next start makes another
    }

    pid_t owner_ = ::getpid();
    UniqueFd writer_;
    pid_t pid_ = 0;
    std::set<pid_t> groups_; // registered and not gone yet
};

Guard& Instance()
{
    // Never deleted: children may be ended while the process exits.
    static Guard* const guard = new Guard;
    return *guard;
}

} // namespace

GroupGuard::Lease::Lease(std::unique_lock<std::mutex> lock, int fd)
    : lock_(std::move(lock))
    , fd_(fd)
{
}

void GroupGuard::Lease::Registered(pid_t group)
{
    Instance().Add(group);
}

GroupGuard::Lease GroupGuard::Take()
{
    Guard& guard = Instance();
    std::unique_lock lock(guard.mutex);
    const int fd = guard.Fd();
    return Lease(std::move(lock), fd);
}

void GroupGuard::Forget(pid_t group)
{
    Guard& guard = Instance();
    const std::lock_guard lock(guard.mutex);
    guard.Remove(group);
}

} // namespace ondrevo
