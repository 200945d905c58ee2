#pragma once
// One running copy per program folder and user. The first start binds a local socket
// whose name is made from the folder of the program file and the user id, and listens on
// it; a later start of the same program file connects, hands over its message (see
// HandOverMessage) and waits for the running copy's answer.
//
// The socket is in Linux's abstract namespace: the name goes with the last descriptor,
// so a killed copy leaves nothing behind that a new start would stumble on, and binding
// it is atomic, so of two copies starting at the same moment exactly one listens. Any
// user may connect to such a name: both sides ask the kernel who is at the other end and
// deal only with their own user.

#include <chrono>
#include <string>

namespace ondrevo {

struct InstanceClaim {
    enum class Outcome {
        // This is the first copy: `listener` listens (non-blocking, closed on exec).
        First,
        // The running copy took the message; this start is done.
        HandedOver,
        // This copy runs on its own, without listening: `reason` says why.
        Alone,
    };
    Outcome outcome = Outcome::Alone;
    int listener = -1;
    std::string reason;
    // Alone because the copy of this user that runs from the folder refused the message
    // or did not answer: that copy's process id (0 otherwise). Such a start must not
    // open a second window on the same settings file.
    int runningPid = 0;
};

// The copies of other users that run from a program folder: each first copy also holds
// a name made from the folder alone, which tells a later start of another user who runs.
struct FolderPresence {
    // Held while this copy runs (closed on exec); -1 when another copy holds the name.
    int holder = -1;
    // Another user's copy holds the name: which one, for its error output; "" otherwise.
    std::string otherUser;
};

struct ClaimTimes {
    // How long the running copy may take to answer a message before this start runs on
    // its own: its window is frozen then.
    std::chrono::milliseconds answer { 10000 };
    // How long to go on trying while the name is held by a copy that refuses messages (one
    // that is closing: it gives up the name as its window closes).
    std::chrono::milliseconds retrying { 3000 };
};

// The socket's name for a program folder, for the current user.
std::string InstanceName(const std::string& programFolder);
// The name for a program folder that copies of every user share.
std::string FolderPresenceName(const std::string& programFolder);

// Takes `name` for this copy, or tells whose copy holds it.
FolderPresence ClaimFolderPresence(const std::string& name);

// Listens on `name` or hands `message` to the copy that does; see InstanceClaim.
InstanceClaim ClaimInstance(const std::string& name, const std::string& message, ClaimTimes times = {});

// The byte the running copy answers a message it took with.
constexpr char kTakenAnswer = 'y';

} // namespace ondrevo
