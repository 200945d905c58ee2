// A second start hands its paths to the running copy over a local socket: the message
// keeps names byte for byte, the running copy takes nothing from a garbled, oversized or
// silent sender and is never held up by one, and of several starts exactly one listens.

#include "app/qt/HandOverMessage.h"
#include "app/qt/HandOverServer.h"
#include "app/qt/InstanceClaim.h"

#include <QCoreApplication>
#include <QTest>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <future>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace ondrevo::testing {
namespace {

using Paths = std::vector<std::string>;
using Outcome = InstanceClaim::Outcome;

// Short times: nothing here waits for a copy that answers.
constexpr ClaimTimes kQuick { std::chrono::milliseconds(300), std::chrono::milliseconds(300) };

TEST(HandOverMessage, PathsComeBackByteForByteAndAnythingButOneWholeMessageIsRefused)
{
    for (const Paths& paths : std::vector<Paths> {
             {},
             { "/videos/caf\xe9.mkv", "/videos/\xff\xfe", "/a b/new\nline \"q\".mp4" },
             Paths(1000, std::string("/videos/").append(200, 'x').append(".mp4")),
         })
        EXPECT_EQ(hand_over::Decode(hand_over::Encode(paths)), paths) << paths.size();

    const std::string good = hand_over::Encode({ "/v/a.mp4", "/v/b.mp4" });
    std::string lying = good;
    lying[8] = '\xff'; // a count far beyond the bytes that follow
    std::string newer = good;
    newer[7] = '\x02';
    std::string huge = hand_over::Encode({ std::string("/").append(hand_over::kMaxMessageBytes, 'x') });
    const struct {
        const char* what;
        std::string bytes;
    } refused[] = {
        { "nothing", "" },
        { "another layout", newer },
        { "a path cut short", good.substr(0, good.size() - 1) },
        { "a length cut short", good.substr(0, 14) },
        { "a byte after the end", good + "x" },
        { "a count larger than the bytes", lying },
        { "an empty path", hand_over::Encode({ "/v/a.mp4", "" }) },
        { "a relative path", hand_over::Encode({ "v/a.mp4" }) },
        { "a NUL in a path", hand_over::Encode({ std::string("/v/a\0b.mp4", 10) }) },
        { "more than a message may hold", huge },
    };
    for (const auto& row : refused)
        EXPECT_FALSE(hand_over::Decode(row.bytes)) << row.what;
}

class HandOver : public ::testing::Test {
protected:
    // A name of this test's own, so that runs side by side never meet.
    const std::string name = "ondrevo-test-" + std::to_string(::getpid()) + "-"
        + ::testing::UnitTest::GetInstance()->current_test_info()->name();

    // Claims on a thread of its own while this thread runs the Qt loop until it is done.
    InstanceClaim ClaimWhileServing(const Paths& paths, ClaimTimes times = {})
    {
        auto claim
            = std::async(std::launch::async, [&] { return ClaimInstance(name, hand_over::Encode(paths), times); });
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return claim.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }, 30000));
        return claim.get();
    }

    std::unique_ptr<HandOverServer> Serve(
        int listener, std::chrono::milliseconds silenceLimit = std::chrono::seconds(60))
    {
        return std::make_unique<HandOverServer>(
            listener, [this](const Paths& paths) { taken.push_back(paths); }, silenceLimit);
    }

    // A raw connection to the name, as a hostile or broken sender would make.
    int Connect()
    {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address {};
        address.sun_family = AF_UNIX;
        name.copy(address.sun_path + 1, sizeof address.sun_path - 2);
        const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
        EXPECT_EQ(::connect(fd, reinterpret_cast<const sockaddr*>(&address), length), 0) << std::strerror(errno);
        return fd;
    }

    // Whether the server closed the connection without a word.
    static bool ClosedUnanswered(int fd)
    {
        char answer = 0;
        bool closed = false;
        EXPECT_TRUE(QTest::qWaitFor([&] {
            closed = ::recv(fd, &answer, 1, MSG_DONTWAIT) == 0;
            return closed;
        }));
        ::close(fd);
        return closed;
    }

    std::vector<Paths> taken;
};

TEST_F(HandOver, TheFirstStartListensALaterOneHandsItsPathsOverAndAClosedWindowLetsTheNextOneListen)
{
    InstanceClaim first = ClaimInstance(name, hand_over::Encode({}));
    ASSERT_EQ(first.outcome, Outcome::First) << first.reason;
    auto server = Serve(first.listener);

    const Paths paths { "/videos/caf\xe9.mkv", "/a b/c.mp4" };
    for (const Paths& given : { paths, Paths {} }) {
        const InstanceClaim later = ClaimWhileServing(given);
        EXPECT_EQ(later.outcome, Outcome::HandedOver) << later.reason;
        EXPECT_EQ(later.listener, -1);
    }
    EXPECT_EQ(taken, (std::vector<Paths> { paths, {} }));

    // The window closes (its close event reaches the server): the next start listens itself.
    QObject window;
    window.installEventFilter(server.get());
    QEvent close(QEvent::Close);
    QCoreApplication::sendEvent(&window, &close);
    EXPECT_FALSE(server->Listening());
    InstanceClaim next = ClaimInstance(name, hand_over::Encode(paths), kQuick);
    EXPECT_EQ(next.outcome, Outcome::First) << next.reason;
    ::close(next.listener);
    EXPECT_EQ(taken.size(), 2u);
}

TEST_F(HandOver, GarbledAndEndlessSendersAreClosedUnansweredWithoutHoldingUpTheOthers)
{
    InstanceClaim first = ClaimInstance(name, hand_over::Encode({}));
    ASSERT_EQ(first.outcome, Outcome::First) << first.reason;
    auto server = Serve(first.listener);

    // One stays silent throughout, one sends garbage, one sends and sends.
    const int silent = Connect();
    const int garbled = Connect();
    const std::string garbage = "GET / HTTP/1.1\r\n\r\n" + std::string(70000, '\xff');
    auto sent = std::async(std::launch::async, [&] { return ::send(garbled, garbage.data(), garbage.size(), 0); });
    EXPECT_TRUE(QTest::qWaitFor([&] { return sent.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }));
    ::shutdown(garbled, SHUT_WR);
    EXPECT_TRUE(ClosedUnanswered(garbled));

    const int endless = Connect();
    auto flood = std::async(std::launch::async, [&] {
        const std::string chunk(1 << 20, 'x');
        std::size_t total = 0;
        while (total < 3 * hand_over::kMaxMessageBytes) {
            const ssize_t n = ::send(endless, chunk.data(), chunk.size(), MSG_NOSIGNAL);
            if (n <= 0)
                break;
            total += static_cast<std::size_t>(n);
        }
        return total;
    });
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return flood.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }, 60000));
    // Cut off once past what a message may hold, not read on and on.
    EXPECT_LT(flood.get(), 2 * hand_over::kMaxMessageBytes);
    EXPECT_TRUE(ClosedUnanswered(endless));

    // Meanwhile a real start is answered, while the silent one is still connected.
    EXPECT_EQ(ClaimWhileServing({ "/v/a.mp4" }).outcome, Outcome::HandedOver);
    EXPECT_EQ(taken, (std::vector<Paths> { { "/v/a.mp4" } }));
    ::close(silent);
}

TEST_F(HandOver, AStalledSenderIsDroppedAndAStartThatIsNotAnsweredRunsOnItsOwnOrListensOnceTheNameIsFree)
{
    {
        // A sender that says nothing is dropped after its time.
        InstanceClaim first = ClaimInstance(name, hand_over::Encode({}));
        ASSERT_EQ(first.outcome, Outcome::First);
        auto server = Serve(first.listener, std::chrono::milliseconds(200));
        EXPECT_TRUE(ClosedUnanswered(Connect()));
    }
    {
        // A copy that is closing takes the connection and closes it: the start tries again,
        // finds the name free and listens.
        InstanceClaim closing = ClaimInstance(name, hand_over::Encode({}));
        ASSERT_EQ(closing.outcome, Outcome::First);
        auto later = std::async(
            std::launch::async, [this] { return ClaimInstance(name, hand_over::Encode({ "/v/a.mp4" }), kQuick); });
        pollfd waiting { closing.listener, POLLIN, 0 };
        ASSERT_EQ(::poll(&waiting, 1, 30000), 1);
        ::close(::accept(closing.listener, nullptr, nullptr));
        ::close(closing.listener);
        InstanceClaim result = later.get();
        EXPECT_EQ(result.outcome, Outcome::First) << result.reason;
        ::close(result.listener);
    }
    // A frozen copy holds the name; the connection is queued, and nobody reads it.
    InstanceClaim frozen = ClaimInstance(name, hand_over::Encode({}));
    ASSERT_EQ(frozen.outcome, Outcome::First);
    const InstanceClaim later = ClaimInstance(name, hand_over::Encode({ "/v/a.mp4" }), kQuick);
    EXPECT_EQ(later.outcome, Outcome::Alone);
    EXPECT_EQ(later.listener, -1);
    EXPECT_NE(later.reason.find("does not answer"), std::string::npos) << later.reason;
    // Named, so that the start ends rather than open a second window on the same settings.
    EXPECT_EQ(later.runningPid, ::getpid());
    // What it sent is not taken when the copy comes back: the sender runs with those files
    // itself. A start after that is answered, and only its own paths are taken.
    auto server = Serve(frozen.listener);
    EXPECT_EQ(ClaimWhileServing({ "/v/b.mp4" }).outcome, Outcome::HandedOver);
    EXPECT_EQ(taken, (std::vector<Paths> { { "/v/b.mp4" } }));
}

TEST_F(HandOver, ConnectionsThatSayNothingMakeWayForARealStart)
{
    InstanceClaim first = ClaimInstance(name, hand_over::Encode({}));
    ASSERT_EQ(first.outcome, Outcome::First) << first.reason;
    auto server = Serve(first.listener);
    // Another program of this user fills the queue and every slot, and sends nothing.
    std::vector<int> silent;
    for (int i = 0; i < 16; ++i)
        silent.push_back(Connect());
    const InstanceClaim later = ClaimWhileServing({ "/v/a.mp4" });
    EXPECT_EQ(later.outcome, Outcome::HandedOver) << later.reason;
    EXPECT_EQ(taken, (std::vector<Paths> { { "/v/a.mp4" } }));
    for (const int fd : silent)
        ::close(fd);
}

TEST_F(HandOver, AStartOfAnotherUserFromTheSameFolderIsToldWhoseCopyRuns)
{
    if (::getuid() != 0)
        GTEST_SKIP() << "needs root to start a copy as another user";
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t other = ::fork();
    if (other == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(1);
        const FolderPresence held = ClaimFolderPresence(name);
        const char done = held.holder >= 0 ? 'y' : 'n';
        (void)!::write(ready[1], &done, 1);
        ::pause();
        ::_exit(0);
    }
    char done = 0;
    ASSERT_EQ(::read(ready[0], &done, 1), 1);
    EXPECT_EQ(done, 'y');
    const FolderPresence mine = ClaimFolderPresence(name);
    ::kill(other, SIGKILL);
    ::waitpid(other, nullptr, 0);
    ::close(ready[0]);
    ::close(ready[1]);
    EXPECT_EQ(mine.holder, -1);
    EXPECT_NE(mine.otherUser.find("user 65534 (process " + std::to_string(other) + ")"), std::string::npos)
        << mine.otherUser;
    // The name is free again: this user's copy holds it, and a later start of the same
    // user is told nothing here (the hand-over speaks for it).
    const FolderPresence first = ClaimFolderPresence(name);
    EXPECT_GE(first.holder, 0);
    EXPECT_EQ(ClaimFolderPresence(name).otherUser, "");
    ::close(first.holder);
}

TEST_F(HandOver, OfStartsAtTheSameMomentOneListensAndTheOthersHandOverToIt)
{
    constexpr int kStarts = 4;
    std::vector<std::future<InstanceClaim>> claims;
    for (int i = 0; i < kStarts; ++i)
        claims.push_back(std::async(std::launch::async,
            [this, i] { return ClaimInstance(name, hand_over::Encode({ "/v/" + std::to_string(i) + ".mp4" })); }));
    // The one that listens serves the others as soon as it is known.
    std::unique_ptr<HandOverServer> server;
    int firsts = 0, handedOver = 0;
    for (int ended = 0; ended < kStarts; ++ended) {
        auto done = claims.end();
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                done = std::find_if(claims.begin(), claims.end(), [](const std::future<InstanceClaim>& claim) {
                    return claim.valid() && claim.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
                });
                return done != claims.end();
            },
            30000));
        InstanceClaim result = done->get();
        if (result.outcome == Outcome::First) {
            ++firsts;
            server = Serve(result.listener);
        }
        handedOver += result.outcome == Outcome::HandedOver;
    }
    EXPECT_EQ(firsts, 1);
    EXPECT_EQ(handedOver, kStarts - 1);
    EXPECT_EQ(taken.size(), static_cast<std::size_t>(kStarts - 1));
}

} // namespace
} // namespace ondrevo::testing
