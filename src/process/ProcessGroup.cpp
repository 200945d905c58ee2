#include "process/ProcessGroup.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace ondrevo::process_group {
namespace {

// The state letter and the process group of a process, from /proc/PID/stat ("PID (NAME)
// STATE PPID PGRP ..."; the name may hold spaces and parentheses). False when the process
// is gone or the file cannot be read.
bool ReadStat(int procFolder, const char* pid, char& state, long& group)
{
    char path[64];
    std::strcpy(path, pid);
    std::strcat(path, "/stat");
    const int fd = ::openat(procFolder, path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    char text[512];
    const ssize_t n = ::read(fd, text, sizeof text - 1);
    ::close(fd);
    if (n <= 0)
        return false;
    text[n] = '\0';
    char* end = std::strrchr(text, ')');
    if (!end || end[1] != ' ' || !end[2])
        return false;
    state = end[2];
    char* after = nullptr;
    std::strtol(end + 3, &after, 10); // the parent
    group = std::strtol(after, nullptr, 10);
    return true;
}

} // namespace

void Signal(pid_t leader, int leaderPidfd, int signal)
{
    const bool leads = ::getpgid(leader) == leader;
    const bool groupSignalled = ::kill(-leader, signal) == 0;
    if (leads && groupSignalled)
        return;
    // The pidfd names the child even if SIGCHLD is ignored and the system reaped it.
    if (leaderPidfd >= 0)
        ::syscall(SYS_pidfd_send_signal, leaderPidfd, signal, nullptr, 0);
    else
        ::kill(leader, signal);
}

bool HasLiveMembers(pid_t group)
{
    if (::kill(-group, 0) < 0 && errno == ESRCH)
        return false;
    DIR* proc = ::opendir("/proc");
    if (!proc)
        return true; // members there are, of whatever state
    bool live = false;
    while (!live) {
        const dirent* entry = ::readdir(proc);
        if (!entry)
            break;
        if (entry->d_name[0] < '1' || entry->d_name[0] > '9' || std::strlen(entry->d_name) > 16)
            continue;
        char state = 0;
        long member = 0;
        live = ReadStat(::dirfd(proc), entry->d_name, state, member) && member == group && state != 'Z' && state != 'X';
    }
    ::closedir(proc);
    return live;
}

} // namespace ondrevo::process_group
