// Power-off after the batch and the sleep inhibitor, through the real D-Bus client against
// a mocked login manager on a private bus, and against no bus at all.

#include "MockLoginManager.h"
#include "base/Errors.h"
#include "desktop/DBusLoginManager.h"
#include "desktop/Shutdown.h"
#include "desktop/SleepInhibitor.h"
#include "desktop/SystemLoginManager.h"
#include "support/Command.h"
#include "support/MemoryLoginManager.h"
#include "support/TempDir.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <memory>
#include <sys/socket.h>
#include <sys/un.h>

namespace ondrevo {
namespace {

using testing::MockLoginManager;
using testing::WaitUntil;
using Calls = std::vector<std::string>;

// Runs the power-off and counts the quit requests it issued.
int QuitRequests(ILoginManager& manager, std::uint32_t flags = kShutdownPowerOff)
{
    int quits = 0;
    ShutdownComputer(flags, manager, [&] { ++quits; });
    return quits;
}

TEST(PowerOffTest, PowerOffIsRequestedWithoutAskingTheUserAndOnlyARefusalEndsInTheQuitRequest)
{
    // Not allowed: the request is still made (the manager has the last word), and the
    // answer alone issues the quit request.
    for (const auto& [canPowerOff, quits] : { std::pair { "yes", 0 }, std::pair { "challenge", 1 } }) {
        MockLoginManager mock(canPowerOff);
        DBusLoginManager manager(mock.Address());
        EXPECT_EQ(QuitRequests(manager), quits) << canPowerOff;
        EXPECT_EQ(mock.Calls(), (Calls { "CanPowerOff", "PowerOff false" })) << canPowerOff;
    }
    {
        MockLoginManager mock("yes");
        mock.RefusePowerOff("org.freedesktop.DBus.Error.AccessDenied", "Operation not permitted here");
        DBusLoginManager manager(mock.Address());
        EXPECT_EQ(QuitRequests(manager), 1);
        try {
            manager.PowerOff();
            ADD_FAILURE() << "a refused PowerOff returned";
        } catch (const Exception& e) {
            EXPECT_STREQ(e.what(), "org.freedesktop.DBus.Error.AccessDenied: Operation not permitted here");
        }
    }
}

TEST(PowerOffTest, UnreachableManagerFailsEveryStep)
{
    DBusLoginManager absent("unix:path=/nonexistent/ondrevo-tests/bus");
    EXPECT_EQ(QuitRequests(absent), 3);
    EXPECT_THROW(absent.CanPowerOff(), Exception);

    // A bus that takes the connection and never answers: Connect gives up in time.
    testing::TempDir dir;
    const std::string path = dir.File("hung");
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    path.copy(address.sun_path, sizeof address.sun_path - 1);
    UniqueFd listener(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    ASSERT_EQ(bind(listener.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(listen(listener.Get(), 4), 0);
    DBusLoginManager hung("unix:path=" + path, std::chrono::milliseconds(300));
    EXPECT_THROW(hung.Connect(), Exception);

    // Tests run with a system bus address that leads nowhere.
    const char* systemBus = getenv("DBUS_SYSTEM_BUS_ADDRESS");
    if (!systemBus || std::string(systemBus).find("/nonexistent/") == std::string::npos)
        GTEST_SKIP() << "run outside CTest: the real system bus is not touched";
    EXPECT_THROW(CreateSystemLoginManager()->Connect(), Exception);
}

TEST(PowerOffTest, ConnectNoticesABusThatWentAway)
{
    auto mock = std::make_unique<MockLoginManager>();
    DBusLoginManager manager(mock->Address());
    manager.Connect();
    manager.Connect();
    EXPECT_EQ(manager.CanPowerOff(), "yes");
    mock.reset();
    EXPECT_THROW(manager.Connect(), Exception);
}

TEST(PowerOffTest, OnlyAPowerOffRequestIsMade)
{
    for (const std::uint32_t flags : { 8u, 9u, 8u | 4u, 8u | 16u }) {
        testing::MemoryLoginManager manager;
        EXPECT_EQ(QuitRequests(manager, flags), 0) << flags;
        EXPECT_EQ(manager.calls, (Calls { "Connect", "CanPowerOff", "PowerOff" })) << flags;
    }
    for (const std::uint32_t flags : { 0u, 1u, 2u, 8u | 2u, 4u }) {
        testing::MemoryLoginManager manager;
        EXPECT_EQ(QuitRequests(manager, flags), 1) << flags;
        EXPECT_EQ(manager.calls, (Calls { "Connect", "CanPowerOff" })) << flags;
    }
}

TEST(PowerOffTest, SleepInhibitorHoldsTheManagersLockExactlyWhileHeld)
{
    MockLoginManager mock;
    DBusLoginManager manager(mock.Address());
    const Calls lock { "sleep:idle|Ondrevo|Converting video files|block" };
    const auto released = [&] { return mock.Inhibitors().empty(); };
    {
        SleepInhibitor inhibitor(manager);
        inhibitor.SetHeld(true);
        inhibitor.SetHeld(true);
        EXPECT_TRUE(inhibitor.Held());
        EXPECT_EQ(mock.Inhibitors(), lock);
        inhibitor.SetHeld(false);
        EXPECT_TRUE(WaitUntil(released));
        inhibitor.SetHeld(true);
        EXPECT_EQ(mock.Inhibitors(), lock);
    }
    EXPECT_TRUE(WaitUntil(released)) << "the lock outlived its inhibitor";

    // Children such as the encoder must not inherit the lock.
    UniqueFd fd = manager.Inhibit("sleep:idle", "Ondrevo", "Converting video files", "block");
    const int flags = fcntl(fd.Get(), F_GETFD);
    ASSERT_GE(flags, 0);
    EXPECT_TRUE(flags & FD_CLOEXEC);
}

} // namespace
} // namespace ondrevo
