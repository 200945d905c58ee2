#pragma once
// Starts a child process from an argument list: no shell is involved, so every argument
// reaches the child whole (spaces, quotes, UTF-8 alike).
//
// The child dies with our process: it is started from the spawner thread (SpawnerThread)
// and gets SIGKILL when that thread ends, which happens only when the process ends, in
// whatever way (exit, a crash, SIGKILL). That death signal is not passed on to the
// child's own children; they are in the child's process group, which the group guard
// (GroupGuard) kills when our process ends.

#include "process/TJvCreateProcess.h"
#include "process/UniqueFd.h"

#include <string>
#include <sys/types.h>
#include <vector>

namespace ondrevo {

struct ChildStartup {
    std::vector<std::string> arguments; // program, then its arguments
    std::string directory; // empty: the child starts in ours
    std::vector<std::string> environment; // NAME=value; empty: the child gets ours
    TJvProcessPriority priority = TJvProcessPriority::ppNormal;
    bool redirect = true; // standard input, output and error on pipes
    bool separateError = false; // standard error on its own pipe, else merged into the output
};

struct StartedChild {
    pid_t pid = 0;
    UniqueFd pidfd; // may be empty on kernels without pidfd_open
    UniqueFd input; // our end of its standard input, non-blocking (redirect only)
    UniqueFd output; // our end of its standard output (and merged error), non-blocking
    UniqueFd error; // our end of its standard error (separateError only)
};

class ChildStarter {
public:
    // Raises EOSError (errno and its text) when a pipe cannot be made or the child
    // cannot be started: missing program, not executable, bad working directory. No
    // descriptor is left open then. A program without "/" is looked up on our PATH.
    // The child gets its standard streams (the pipes, or ours without redirection), no
    // other descriptor, default signal dispositions, no blocked signal and the nice
    // value of the priority.
    static StartedChild Start(const ChildStartup& startup);

    // The nice value given to a child for each priority; ppNormal keeps ours.
    static int NiceValue(TJvProcessPriority priority);
};

} // namespace ondrevo
