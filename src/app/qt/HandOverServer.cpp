#include "app/qt/HandOverServer.h"

#include "app/qt/HandOverMessage.h"
#include "app/qt/InstanceClaim.h"

#include <QEvent>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <sys/socket.h>
#include <unistd.h>

namespace ondrevo {

// Owned by the server as their parent; a dropped connection's objects are deleted once
// the signal that dropped it has returned.
struct HandOverServer::Connection {
    QSocketNotifier* notifier = nullptr;
    QTimer* silence = nullptr;
    std::string bytes;
    std::uint64_t order = 0;
};

namespace {

// A waiting connection that cannot be taken (no descriptor or memory left) leaves the
// listener ready; it is left alone for a while rather than asked again and again.
constexpr std::chrono::seconds kAcceptPause { 1 };

} // namespace

HandOverServer::HandOverServer(int listener, Taken taken, std::chrono::milliseconds silenceLimit)
    : listener_(listener)
    , taken_(std::move(taken))
    , silenceLimit_(silenceLimit)
{
    acceptor_ = new QSocketNotifier(listener_, QSocketNotifier::Read, this);
    connect(acceptor_, &QSocketNotifier::activated, this, [this] { Accept(); });
}

HandOverServer::~HandOverServer()
{
    Stop();
}

void HandOverServer::Stop()
{
    while (!connections_.empty())
        Drop(connections_.begin()->first);
    if (listener_ < 0)
        return;
    acceptor_->setEnabled(false);
    acceptor_->deleteLater();
    acceptor_ = nullptr;
    ::close(listener_);
    listener_ = -1;
}

bool HandOverServer::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Close)
        Stop();
    return QObject::eventFilter(watched, event);
}

void HandOverServer::Accept()
{
    for (;;) {
        const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED)
                continue;
            if (errno == EAGAIN)
                return; // none waiting
            // Out of descriptors or memory: the waiting sender cannot be taken now.
            acceptor_->setEnabled(false);
            QTimer::singleShot(kAcceptPause, this, [this] {
                if (acceptor_)
                    acceptor_->setEnabled(true);
            });
            return;
        }
        ucred peer {};
        socklen_t size = sizeof peer;
        const bool ours = ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 && peer.uid == ::getuid();
        if (!ours || (connections_.size() >= kMaxConnections && !DropLongestSilent())) {
            ::close(fd);
            continue;
        }
        auto connection = std::make_unique<Connection>();
        connection->notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
        connect(connection->notifier, &QSocketNotifier::activated, this, [this, fd] { Read(fd); });
        connection->silence = new QTimer(this);
        connection->silence->setSingleShot(true);
        connect(connection->silence, &QTimer::timeout, this, [this, fd] { Drop(fd); });
        connection->silence->start(silenceLimit_);
        connection->order = ++accepted_;
        connections_[fd] = std::move(connection);
        // What came with the connection is read now: a second start has sent its whole
        // message by then, and is answered before another newcomer could need its slot.
        Read(fd);
        if (!acceptor_)
            return; // the taker stopped the server
    }
}

bool HandOverServer::DropLongestSilent()
{
    auto longest = connections_.end();
    for (auto it = connections_.begin(); it != connections_.end(); ++it)
        if (it->second->bytes.empty() && (longest == connections_.end() || it->second->order < longest->second->order))
            longest = it;
    if (longest == connections_.end())
        return false;
    Drop(longest->first);
    return true;
}

void HandOverServer::Read(int fd)
{
    const auto found = connections_.find(fd);
    if (found == connections_.end())
        return;
    std::string& bytes = found->second->bytes;
    char chunk[65536];
    for (;;) {
        const ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
        if (n > 0) {
            bytes.append(chunk, static_cast<std::size_t>(n));
            if (bytes.size() > hand_over::kMaxMessageBytes)
                return Drop(fd);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN)
            return; // more to come
        break; // the sender has sent everything, or the connection failed
    }
    std::optional<std::vector<std::string>> paths = hand_over::Decode(bytes);
    // Taken only when the sender hears so: one that gave up waiting runs on its own with
    // these files, and they must not come twice.
    const bool answered = paths && ::send(fd, &kTakenAnswer, 1, MSG_NOSIGNAL) == 1;
    Drop(fd);
    if (answered && taken_)
        taken_(*paths);
}

void HandOverServer::Drop(int fd)
{
    const auto found = connections_.find(fd);
    if (found == connections_.end())
        return;
    // The notifier lets go of the descriptor before it is closed.
    Connection& connection = *found->second;
    connection.notifier->setEnabled(false);
    connection.notifier->deleteLater();
    connection.silence->stop();
    connection.silence->deleteLater();
    connections_.erase(found);
    ::close(fd);
}

} // namespace ondrevo
