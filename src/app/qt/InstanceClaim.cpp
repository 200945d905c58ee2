#include "app/qt/InstanceClaim.h"

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>
#include <utility>

namespace ondrevo {
namespace {

using Clock = std::chrono::steady_clock;

constexpr std::chrono::milliseconds kRetryPause { 100 };

// FNV-1a: the same name in every build, unlike std::hash.
std::uint64_t Fingerprint(const std::string& bytes)
{
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    for (const char c : bytes) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 0x100000001b3ULL;
    }
    return hash;
}

// An abstract socket address: a NUL byte, then the name.
socklen_t AbstractAddress(const std::string& name, sockaddr_un& address)
{
    address = {};
    address.sun_family = AF_UNIX;
    const std::size_t length = std::min(name.size(), sizeof address.sun_path - 1);
    std::memcpy(address.sun_path + 1, name.data(), length);
    return static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + length);
}

class Socket {
public:
    Socket()
        : fd_(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0))
    {
    }
    ~Socket()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    int Fd() const { return fd_; }
    int Release() { return std::exchange(fd_, -1); }

private:
    int fd_;
};

std::string Describe(const char* what)
{
    return std::string(what) + ": " + std::strerror(errno);
}

int MillisecondsLeft(Clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

// Waits until the socket is ready for `events`, at most until `deadline`.
bool WaitFor(int fd, short events, Clock::time_point deadline)
{
    for (;;) {
        pollfd entry { fd, events, 0 };
        const int ready = ::poll(&entry, 1, MillisecondsLeft(deadline));
        if (ready > 0)
            return true;
        if (ready == 0 || errno != EINTR)
            return false;
    }
}

enum class Delivery { Taken, Refused, Unanswered };

// Sends the whole message, ends the sending side so that the running copy knows it has
// all of it, and reads the one-byte answer.
Delivery Deliver(int fd, const std::string& message, Clock::time_point deadline)
{
    std::size_t sent = 0;
    while (sent < message.size()) {
        const ssize_t n = ::send(fd, message.data() + sent, message.size() - sent, MSG_NOSIGNAL);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
        } else if (errno == EAGAIN || errno == EINTR) {
            if (!WaitFor(fd, POLLOUT, deadline))
                return Delivery::Unanswered;
        } else {
            return Delivery::Refused; // the running copy closed the connection
        }
    }
    ::shutdown(fd, SHUT_WR);
    for (;;) {
        char answer = 0;
        const ssize_t n = ::recv(fd, &answer, 1, 0);
        if (n == 1)
            return answer == kTakenAnswer ? Delivery::Taken : Delivery::Refused;
        if (n == 0 || (errno != EAGAIN && errno != EINTR))
            return Delivery::Refused;
        // A last look once the time is up: an answer that came just then still counts.
        if (MillisecondsLeft(deadline) == 0)
            return Delivery::Unanswered;
        WaitFor(fd, POLLIN, deadline);
    }
}

std::string FolderHex(const std::string& programFolder)
{
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(Fingerprint(programFolder)));
    return hex;
}

} // namespace

std::string InstanceName(const std::string& programFolder)
{
    return "ondrevo-" + std::to_string(::getuid()) + "-" + FolderHex(programFolder);
}

std::string FolderPresenceName(const std::string& programFolder)
{
    return "ondrevo-folder-" + FolderHex(programFolder);
}

FolderPresence ClaimFolderPresence(const std::string& name)
{
    sockaddr_un address;
    const socklen_t length = AbstractAddress(name, address);
    const auto* generic = reinterpret_cast<const sockaddr*>(&address);
    FolderPresence presence;
    Socket holder;
    if (holder.Fd() < 0)
        return presence;
    if (::bind(holder.Fd(), generic, length) == 0) {
        // Listening only lends the connecting side the holder's credentials; nothing is
        // ever accepted, and what waits goes when its sender closes it.
        if (::listen(holder.Fd(), 4) == 0)
            presence.holder = holder.Release();
        return presence;
    }
    Socket client;
    if (errno != EADDRINUSE || ::connect(client.Fd(), generic, length) != 0)
        return presence;
    ucred peer {};
    socklen_t size = sizeof peer;
    if (::getsockopt(client.Fd(), SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 && peer.uid != ::getuid())
        presence.otherUser = "the copy of user " + std::to_string(peer.uid) + " (process " + std::to_string(peer.pid)
            + ") runs from this folder too, on the same settings file";
    return presence;
}

InstanceClaim ClaimInstance(const std::string& name, const std::string& message, ClaimTimes times)
{
    sockaddr_un address;
    const socklen_t length = AbstractAddress(name, address);
    const auto* generic = reinterpret_cast<const sockaddr*>(&address);
    const Clock::time_point retryUntil = Clock::now() + times.retrying;
    InstanceClaim claim;
    for (;;) {
        Socket listener;
        if (listener.Fd() < 0)
            return { InstanceClaim::Outcome::Alone, -1, Describe("socket") };
        if (::bind(listener.Fd(), generic, length) == 0) {
            if (::listen(listener.Fd(), 16) != 0)
                return { InstanceClaim::Outcome::Alone, -1, Describe("listen") };
            return { InstanceClaim::Outcome::First, listener.Release(), {} };
        }
        if (errno != EADDRINUSE)
            return { InstanceClaim::Outcome::Alone, -1, Describe("bind") };

        // Another copy holds the name. Connecting fails for a moment while it has bound
        // and not yet listens, or while its queue of waiting connections is full.
        Socket client;
        if (::connect(client.Fd(), generic, length) == 0) {
            ucred peer {};
            socklen_t size = sizeof peer;
            if (::getsockopt(client.Fd(), SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0)
                return { InstanceClaim::Outcome::Alone, -1, Describe("SO_PEERCRED") };
            if (peer.uid != ::getuid())
                return { InstanceClaim::Outcome::Alone, -1,
                    "another user's process (" + std::to_string(peer.pid) + ") holds the name " + name };
            switch (Deliver(client.Fd(), message, Clock::now() + times.answer)) {
            case Delivery::Taken:
                return { InstanceClaim::Outcome::HandedOver, -1, {} };
            case Delivery::Unanswered:
                return { InstanceClaim::Outcome::Alone, -1,
                    "the copy running from this folder (process " + std::to_string(peer.pid) + ") does not answer",
                    peer.pid };
            case Delivery::Refused:
                claim.reason
                    = "the copy running from this folder (process " + std::to_string(peer.pid) + ") refuses the files";
                claim.runningPid = peer.pid;
                break;
            }
        } else {
            claim.reason = Describe("connect");
        }
        if (Clock::now() >= retryUntil)
            return { InstanceClaim::Outcome::Alone, -1, claim.reason, claim.runningPid };
        std::this_thread::sleep_for(kRetryPause);
    }
}

} // namespace ondrevo
