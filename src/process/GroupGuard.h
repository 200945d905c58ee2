#pragma once
// Ends the process groups of our children when our process ends, however it ends.
//
// Every child leads a process group of its own (see ChildExec), so that its whole family
// (a wrapper script and the encoder it runs) can be ended at once. The death signal a
// child asks for reaches that child alone, not what it started; so a small guard process,
// started with the first child and living as long as we do, keeps the list of our
// children's groups. It reads the list's changes from a pipe whose only writer is our
// process. When our process ends (exit, a crash, SIGKILL), the system closes our end of
// that pipe; the guard reads end-of-file, kills every group still on its list, and ends.
//
// The guard is a shell ("sh -c"), in a process group of its own with the terminal's
// signals ignored, so that Ctrl+C or a signal to our group does not end it before us. A
// guard that was ended all the same is started again at the next child's start, and told
// the groups again. Where none can be started, children still die with our process; only
// what they started may outlive it.

#include <mutex>
#include <sys/types.h>

namespace ondrevo {

class GroupGuard {
public:
    // Held while one child is started: the guard runs (started now when needed) and
    // Fd() stays valid until the lease ends.
    class Lease {
    public:
        // Where the child writes "+PID\n" before it executes its program; -1 without a
        // guard.
        int Fd() const { return fd_; }
        // The child's group runs: a guard started later is told of it.
        void Registered(pid_t group);

    private:
        friend class GroupGuard;
        Lease(std::unique_lock<std::mutex> lock, int fd);
        std::unique_lock<std::mutex> lock_;
        int fd_;
    };

    static Lease Take();
    // The group is gone (its leader reaped, nothing left in it): the guard drops it, so
    // that no later group of the same number is killed at our end. Any thread.
    static void Forget(pid_t group);
};

} // namespace ondrevo
