#include "process/ChildOutput.h"

#include "process/ChildStarter.h"
#include "process/GroupGuard.h"
#include "process/ProcessGroup.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace ondrevo {

ChildOutput ReadChildOutput(const std::vector<std::string>& arguments, int milliseconds)
{
    ChildStartup startup;
    startup.arguments = arguments;
    StartedChild child = ChildStarter::Start(startup);
    child.input.Reset();
    ChildOutput result;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            break;
        pollfd readable { child.output.Get(), POLLIN, 0 };
        const int ready = ::poll(&readable, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            break;
        char buffer[16384];
        const ssize_t got = ::read(child.output.Get(), buffer, sizeof buffer);
        if (got < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (got <= 0) {
            result.whole = got == 0;
            break;
        }
        result.text.append(buffer, static_cast<std::size_t>(got));
    }
    // Done writing, it is ending: give it the time left to do so.
    if (result.whole && child.pidfd.Get() >= 0) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd ended { child.pidfd.Get(), POLLIN, 0 };
        while (left.count() > 0 && ::poll(&ended, 1, static_cast<int>(left.count())) < 0 && errno == EINTR) { }
    }
    // Whatever it left running in its group (or itself, when it took too long) ends here.
    process_group::Signal(child.pid, child.pidfd.Get(), SIGKILL);
    siginfo_t info {};
    while (::waitid(P_PID, static_cast<id_t>(child.pid), &info, WEXITED) < 0 && errno == EINTR) { }
    GroupGuard::Forget(child.pid);
    result.succeeded = result.whole && info.si_code == CLD_EXITED && info.si_status == 0;
    return result;
}

} // namespace ondrevo
