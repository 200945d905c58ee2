#pragma once
// The program that writes a session of the file-list journal: the machine's boot, its
// process id and the time the process started. Together they name one process for good:
// a session of an earlier boot belongs to a program the machine's end took down, and a
// process that got the same id later has another start time. A session whose owner no
// longer runs ended without Quit.

#include <string>

namespace ondrevo {

struct SessionOwner {
    std::string bootId; // /proc/sys/kernel/random/boot_id
    long long pid = 0;
    long long startTime = 0; // clock ticks after boot: field 22 of /proc/<pid>/stat

    static SessionOwner ThisProcess();
    // Whether that very process still runs; a process that has ended but is not yet
    // reaped (a zombie) does not. When this machine's boot id cannot be read, every
    // owner counts as running: a list that may still be in use is never taken over.
    bool Running() const;

    bool operator==(const SessionOwner&) const = default;
};

} // namespace ondrevo
