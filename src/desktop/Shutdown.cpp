#include "desktop/Shutdown.h"

#include "desktop/LoginManager.h"

#include <exception>

namespace ondrevo {
namespace {

constexpr std::uint32_t kShutdown = 1;
constexpr std::uint32_t kForce = 4;
constexpr std::uint32_t kForceIfHung = 16;

bool AsksForPowerOff(std::uint32_t flags)
{
    return (flags & ~(kShutdown | kForce | kForceIfHung)) == kShutdownPowerOff;
}

// Runs one step; true when it neither raised nor answered false.
template <typename Step> bool Succeeds(Step&& step)
{
    try {
        return step();
    } catch (const std::exception&) {
        // The login manager's reason is not shown: the outcome is the quit request.
        return false;
    }
}

} // namespace

void ShutdownComputer(std::uint32_t flags, ILoginManager& manager, const std::function<void()>& quitRequest)
{
    const bool connected = Succeeds([&] {
        manager.Connect();
        return true;
    });
    if (!connected)
        quitRequest();

    const bool allowed = connected && Succeeds([&] { return manager.CanPowerOff() == "yes"; });
    if (!allowed)
        quitRequest();

    // Asked even when the answer was not "yes", as the manager has the last word; a
    // non-interactive request that is not allowed is refused without harm.
    const bool requested = connected && AsksForPowerOff(flags) && Succeeds([&] {
        manager.PowerOff();
        return true;
    });
    if (!requested)
        quitRequest();
}

} // namespace ondrevo
