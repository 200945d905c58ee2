#pragma once
// A child's process group: the child leads it (see ChildExec), and what it starts (the
// program a wrapper script runs) belongs to it unless it leaves.

#include <sys/types.h>

namespace ondrevo::process_group {

// Sends `signal` to the group of `leader`, an unreaped child of ours, so that its whole
// family gets it; to the leader itself too when it has left its group. `leaderPidfd` may
// be -1.
void Signal(pid_t leader, int leaderPidfd, int signal);

// Whether a process that has not ended yet is in the group. A process that has ended but
// was not reaped (its parent gone, and an init process that does not reap orphans, as in
// some containers) still counts as a member for the system, but not here.
bool HasLiveMembers(pid_t group);

} // namespace ondrevo::process_group
