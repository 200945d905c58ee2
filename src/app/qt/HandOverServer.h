#pragma once
// The first copy's side of the hand-over (see InstanceClaim): takes the connections on
// the listening socket, reads each message in the background of the Qt loop (never
// waiting on a sender), answers one that decodes and passes its paths on. A connection
// from another user, one that sends more than a message can hold or stays silent too
// long, and one whose bytes do not decode are closed without an answer; nothing is
// taken from them. Once a watched window closes, the socket is closed: a start after
// that becomes the first copy itself, and one waiting for an answer is refused.

#include <QObject>

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

class QSocketNotifier;
class QTimer;

namespace ondrevo {

class HandOverServer : public QObject {
public:
    using Taken = std::function<void(const std::vector<std::string>& paths)>;

    // Owns `listener`, a listening socket.
    HandOverServer(int listener, Taken taken, std::chrono::milliseconds silenceLimit = std::chrono::seconds(2));
    ~HandOverServer() override;
    HandOverServer(const HandOverServer&) = delete;
    HandOverServer& operator=(const HandOverServer&) = delete;

    // Closes the socket and every connection not yet answered.
    void Stop();
    bool Listening() const { return listener_ >= 0; }

    // At most this many senders are read at once.
    static constexpr std::size_t kMaxConnections = 8;

protected:
    // A watched window's close stops the server (install it as the window's event filter).
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Connection;
    void Accept();
    void Read(int fd);
    void Drop(int fd);
    // Drops the connection that has sent nothing for the longest; false when every one
    // has sent something.
    bool DropLongestSilent();

    int listener_;
    Taken taken_;
    std::chrono::milliseconds silenceLimit_;
    QSocketNotifier* acceptor_ = nullptr;
    std::map<int, std::unique_ptr<Connection>> connections_;
    std::uint64_t accepted_ = 0; // connections taken so far, to tell their order
};

} // namespace ondrevo
