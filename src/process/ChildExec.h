#pragma once
// The low end of starting a child: a new process made with clone(CLONE_VM | CLONE_VFORK)
// that sets itself up and executes a program. Everything it needs is prepared by the
// caller beforehand (the resolved path, the argument and environment vectors, the
// descriptors), so the new process runs only system calls: no allocation, no lock, no
// C++ between the clone and the exec.
//
// The new process asks for SIGKILL when the thread that made it ends
// (PR_SET_PDEATHSIG). Call this from a thread that lives as long as the process (see
// SpawnerThread), so that the child dies exactly when the program does. It leads a
// process group of its own, so that what it starts in turn (the program a wrapper script
// runs) can be ended with it, and registers that group with the group guard (see
// GroupGuard) just before it executes the program.

#include <cstddef>
#include <sys/types.h>

namespace ondrevo {

struct ChildExec {
    const char* path = nullptr; // executed as it is: no PATH search here
    char* const* argv = nullptr;
    char* const* envp = nullptr;
    // Put on 0, 1 and 2 when not -1; each above 2 (the dup onto 0 must not overwrite the
    // output, for example) or already where it belongs.
    int input = -1, output = -1, error = -1;
    const char* directory = nullptr; // changed into when not null
    int nice = 0; // set when not 0 (best effort)
    pid_t parent = 0; // our process id; a child that finds another parent ends at once
    bool diesWithParent = true; // the death signal and the parent check above
    bool leadsGroup = true; // setpgid(0, 0)
    // When not -1, "+PID\n" is written to it just before the exec, and "-PID\n" after
    // a start that failed.
    int registration = -1;
};

// Starts the child on `stack` (its top end is used; the stack grows down), a region no
// one else uses meanwhile. Returns its pid once it has executed the program, or -1 with
// `error` set to the errno of the step that failed (the child is reaped then).
pid_t StartChildExec(const ChildExec& exec, std::byte* stack, std::size_t stackSize, int& error);

} // namespace ondrevo
