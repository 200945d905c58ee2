#include "process/ChildExec.h"

#include <cerrno>
#include <csignal>
#include <dirent.h>
#include <fcntl.h>
#include <sched.h>
#include <string>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <type_traits>
#include <unistd.h>

// ThreadSanitizer takes clone() for a fork: it runs its fork bookkeeping in the new
// process, which with CLONE_VM would rewrite its books of ours. Its build calls the C
// library's other name for the same function, which it does not intercept (as the
// library's own posix_spawn does); the child runs no instrumented code anyway. A fork
// instead would copy its large memory on every start: five times slower.
#if defined(__SANITIZE_THREAD__)
#define ONDREVO_UNINTERCEPTED_CLONE 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define ONDREVO_UNINTERCEPTED_CLONE 1
#endif
#endif
#ifdef ONDREVO_UNINTERCEPTED_CLONE
extern "C" int __clone(int (*function)(void*), void* stack, int flags, void* argument, ...);
#endif

// Code run by the new process is not instrumented: it runs on a stack the sanitizers do
// not know, in memory it shares with us, in a process they do not know of.
#define ONDREVO_CHILD_CODE __attribute__((no_sanitize("address", "undefined", "thread"), always_inline)) inline

namespace ondrevo {
namespace {

struct ChildStart {
    const ChildExec* exec;
    // The child's errno when it fails: it writes it into our memory, which we read once
    // the clone returns.
    volatile int error = 0;
};

template <typename T> ONDREVO_CHILD_CODE long Word(T value)
{
    if constexpr (std::is_integral_v<T> || std::is_enum_v<T>)
        return static_cast<long>(value);
    else
        return reinterpret_cast<long>(static_cast<const volatile void*>(value));
}

// A system call made directly, never through a C library wrapper that a sanitizer may
// intercept. Returns its result, or minus the errno.
template <typename... Arguments> ONDREVO_CHILD_CODE long Call(long number, Arguments... arguments)
{
    const long result = ::syscall(number, Word(arguments)...);
    return result < 0 ? -errno : result;
}

// The kernel's signal set, and its struct sigaction all zero: SIG_DFL, no flags, no mask.
constexpr long kSignalSetSize = (NSIG - 1) / 8;
constexpr unsigned long kDefaultAction[4] = {};
constexpr unsigned long kNoSignals[2] = {};

// Every descriptor from 3 up is closed by the exec, so only 0, 1 and 2 reach the
// program. Without close_range's close-on-exec
// mode (Linux before 5.11) the entries of /proc/self/fd are marked one by one.
ONDREVO_CHILD_CODE long CloseAboveStandardStreamsOnExec()
{
    if (Call(SYS_close_range, 3, ~0U, CLOSE_RANGE_CLOEXEC) == 0)
        return 0;
    const long folder = Call(SYS_openat, AT_FDCWD, "/proc/self/fd", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0)
        return folder;
    alignas(dirent64) char entries[2048];
    for (;;) {
        const long n = Call(SYS_getdents64, folder, entries, sizeof entries);
        if (n <= 0) {
            Call(SYS_close, folder);
            return n;
        }
        for (long at = 0; at < n;) {
            const auto* entry = reinterpret_cast<const dirent64*>(entries + at);
            at += entry->d_reclen;
            int fd = 0;
            const char* digit = entry->d_name;
            for (; *digit >= '0' && *digit <= '9'; ++digit)
                fd = fd * 10 + (*digit - '0');
            if (digit != entry->d_name && *digit == '\0' && fd > 2)
                Call(SYS_fcntl, fd, F_SETFD, FD_CLOEXEC);
        }
    }
}

// Writes "+PID\n" (this process's id) to `fd`, in one write; a failure is left to the
// reader, which then does not know the group.
ONDREVO_CHILD_CODE void Register(int fd)
{
    char digits[24];
    int count = 0;
    for (long pid = Call(SYS_getpid); count == 0 || pid > 0; pid /= 10)
        digits[count++] = static_cast<char>('0' + pid % 10);
    char record[26];
    int length = 0;
    record[length++] = '+';
    while (count > 0)
        record[length++] = digits[--count];
    record[length++] = '\n';
    Call(SYS_write, fd, record, length);
}

// Returns minus the errno of the step that failed; returns only on failure.
ONDREVO_CHILD_CODE long SetUpAndExecute(const ChildExec& exec)
{
    if (exec.diesWithParent) {
        if (const long failed = Call(SYS_prctl, PR_SET_PDEATHSIG, SIGKILL); failed < 0)
            return failed;
        // Our process died before the request above was made: nobody would end this child.
        if (Call(SYS_getppid) != exec.parent)
            Call(SYS_exit_group, 127);
    }
    if (exec.leadsGroup)
        if (const long failed = Call(SYS_setpgid, 0, 0); failed < 0)
            return failed;
    const int standard[3] = { exec.input, exec.output, exec.error };
    for (int fd = 0; fd < 3; ++fd) {
        if (standard[fd] < 0)
            continue;
        // dup3 does not copy a descriptor onto itself: then it only loses close-on-exec.
        const long failed = standard[fd] == fd ? Call(SYS_fcntl, fd, F_SETFD, 0) : Call(SYS_dup3, standard[fd], fd, 0);
        if (failed < 0)
            return failed;
    }
    if (exec.directory)
        if (const long failed = Call(SYS_chdir, exec.directory); failed < 0)
            return failed;
    if (exec.nice != 0)
        Call(SYS_setpriority, PRIO_PROCESS, 0, exec.nice); // raising it needs privilege: best effort
    if (const long failed = CloseAboveStandardStreamsOnExec(); failed < 0)
        return failed;
    // Default dispositions, then a clean mask: the program must not inherit our ignored
    // SIGPIPE or a blocked signal. Every signal is blocked until then (the spawner
    // thread's mask), so no handler of ours runs in this child, which shares our memory.
    for (int signal = 1; signal < NSIG; ++signal)
        if (signal != SIGKILL && signal != SIGSTOP)
            Call(SYS_rt_sigaction, signal, kDefaultAction, nullptr, kSignalSetSize);
    Call(SYS_rt_sigprocmask, SIG_SETMASK, kNoSignals, nullptr, kSignalSetSize);
    // Last, so that only a failed exec leaves a registration behind (withdrawn below).
    if (exec.registration >= 0)
        Register(exec.registration);
    return Call(SYS_execve, exec.path, exec.argv, exec.envp);
}

__attribute__((no_sanitize("address", "undefined", "thread"))) int ChildMain(void* argument)
{
    auto* start = static_cast<ChildStart*>(argument);
    const int error = static_cast<int>(-SetUpAndExecute(*start->exec));
    start->error = error;
    Call(SYS_exit_group, 127);
    return 127;
}

} // namespace

pid_t StartChildExec(const ChildExec& exec, std::byte* stack, std::size_t stackSize, int& error)
{
    ChildStart start { &exec };
    // Like vfork(), this thread is suspended until the child has executed the program or
    // ended; unlike vfork(), the child runs on its own stack, so nothing it does there
    // can clobber this function's frame.
#ifdef ONDREVO_UNINTERCEPTED_CLONE
    const pid_t pid = ::__clone(ChildMain, stack + stackSize, CLONE_VM | CLONE_VFORK | SIGCHLD, &start);
#else
    const pid_t pid = ::clone(ChildMain, stack + stackSize, CLONE_VM | CLONE_VFORK | SIGCHLD, &start);
#endif
    if (pid < 0) {
        error = errno;
        return -1;
    }
    if (start.error == 0)
        return pid;
    siginfo_t info {};
    while (::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED) < 0 && errno == EINTR) { }
    if (exec.registration >= 0) {
        const std::string withdrawn = "-" + std::to_string(pid) + "\n";
        [[maybe_unused]] const ssize_t written = ::write(exec.registration, withdrawn.data(), withdrawn.size());
    }
    error = start.error;
    return -1;
}

} // namespace ondrevo
