#include "conversion/EncoderCheck.h"

#include "base/Errors.h"
#include "process/ChildStarter.h"
#include "process/GroupGuard.h"
#include "process/ProcessGroup.h"

#include <chrono>
#include <csignal>
#include <cstring>
#include <poll.h>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace ondrevo {
namespace {

// The program's output to `-hide_banner -encoders`, "" when it could not be read whole
// in time. Raises EOSError when the program cannot be started.
std::string ReadListing(const std::string& program)
{
    ChildStartup startup;
    startup.arguments = { program, "-hide_banner", "-encoders" };
    StartedChild child = ChildStarter::Start(startup);
    child.input.Reset();
    std::string listing;
    bool whole = false;
    const auto deadline
        = std::chrono::steady_clock::now() + std::chrono::milliseconds(EncoderCheck::kListingMilliseconds);
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
            whole = got == 0;
            break;
        }
        listing.append(buffer, static_cast<std::size_t>(got));
    }
    // Done writing, it is ending: give it the time left to do so.
    if (whole && child.pidfd.Get() >= 0) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd ended { child.pidfd.Get(), POLLIN, 0 };
        while (left.count() > 0 && ::poll(&ended, 1, static_cast<int>(left.count())) < 0 && errno == EINTR) { }
    }
    // Whatever it left running in its group (or itself, when it took too long) ends here.
    process_group::Signal(child.pid, child.pidfd.Get(), SIGKILL);
    siginfo_t info {};
    while (::waitid(P_PID, static_cast<id_t>(child.pid), &info, WEXITED) < 0 && errno == EINTR) { }
    GroupGuard::Forget(child.pid);
    const bool listed = whole && info.si_code == CLD_EXITED && info.si_status == 0;
    return listed ? listing : std::string();
}

} // namespace

std::string NamedEncoder(const std::string& fragment, char kind)
{
    const std::string shortOption = std::string("-c:") + kind;
    const std::string longOption = std::string("-codec:") + kind;
    const std::string oldOption = std::string("-") + kind + "codec";
    std::istringstream words(fragment);
    std::string named;
    for (std::string word, previous; words >> word; previous = word)
        if (previous == shortOption || previous == longOption || previous == oldOption || previous == "-c"
            || previous == "-codec")
            named = word;
    return named == "copy" ? std::string() : named;
}

std::set<std::string> ListedEncoders(const std::string& listing)
{
    std::set<std::string> names;
    std::istringstream lines(listing);
    bool legendDone = false;
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::string flags, name;
        if (!(words >> flags))
            continue;
        if (!legendDone) {
            legendDone = flags.find_first_not_of('-') == std::string::npos;
            continue;
        }
        if (words >> name)
            names.insert(name);
    }
    return names;
}

bool EncoderCheck::Identity::operator==(const Identity& other) const
{
    return device == other.device && inode == other.inode && size == other.size
        && modified.tv_sec == other.modified.tv_sec && modified.tv_nsec == other.modified.tv_nsec;
}

std::string EncoderCheck::Refusal(const std::string& program, const std::vector<Need>& needs)
{
    bool needsAny = false;
    for (const Need& need : needs)
        needsAny = needsAny || !need.encoder.empty();
    if (!needsAny)
        return "";
    struct stat status { };
    Identity identity;
    if (::stat(program.c_str(), &status) == 0)
        identity = { status.st_dev, status.st_ino, status.st_size, status.st_mtim };
    // A program file that cannot be found is asked again, so that its error is today's.
    if (!listed_ || program != program_ || !(identity == identity_) || identity.size < 0) {
        listed_ = true;
        program_ = program;
        identity_ = identity;
        startError_.clear();
        encoders_.clear();
        try {
            encoders_ = ListedEncoders(ReadListing(program));
        } catch (const EOSError& error) {
            startError_ = program + ": " + std::strerror(error.Code());
        }
    }
    if (!startError_.empty())
        return startError_;
    if (encoders_.empty())
        return ""; // the list could not be read: each row finds out for itself
    for (const Need& need : needs)
        if (!need.encoder.empty() && encoders_.count(need.encoder) == 0)
            return "This ffmpeg has no encoder " + need.encoder + ", which " + need.selector + " \"" + need.entry
                + "\" needs";
    return "";
}

} // namespace ondrevo
