#pragma once
// The one thread every child is started from. A child asks the system for SIGKILL when
// the thread that made it ends (see ChildExec), so that thread must be one that ends
// only with the process: started on first use, never joined, it waits for start requests
// for as long as the process lives, with every signal blocked. Any thread may hand it a
// request; the requests are served one at a time.
//
// A process made by fork() has none of its parent's threads: its first request starts a
// spawner thread of its own.

#include "process/ChildExec.h"

#include <sys/types.h>

namespace ondrevo {

class SpawnerThread {
public:
    // Starts the child on the spawner thread and waits for the result: its pid once the
    // program runs, or -1 with `error` set (see StartChildExec). Raises std::system_error
    // when the thread cannot be started.
    static pid_t Start(const ChildExec& exec, int& error);
};

} // namespace ondrevo
