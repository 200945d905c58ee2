#include "support/MemoryLoginManager.h"

#include "base/Errors.h"

#include <fcntl.h>

namespace ondrevo::testing {

void MemoryLoginManager::Connect()
{
    calls.push_back("Connect");
    if (!reachable)
        throw Exception("The login manager cannot be reached");
}

std::string MemoryLoginManager::CanPowerOff()
{
    calls.push_back("CanPowerOff");
    if (!reachable)
        throw Exception("The login manager cannot be reached");
    return canPowerOff;
}

void MemoryLoginManager::PowerOff()
{
    calls.push_back("PowerOff");
    if (!reachable || powerOffRefused)
        throw Exception("Power-off refused");
}

UniqueFd MemoryLoginManager::Inhibit(
    const std::string& what, const std::string&, const std::string&, const std::string& mode)
{
    calls.push_back("Inhibit " + what + " " + mode);
    if (!reachable)
        throw Exception("The login manager cannot be reached");
    // Any descriptor stands for the lock: what matters is when it is closed.
    return UniqueFd(::open("/dev/null", O_RDONLY | O_CLOEXEC));
}

} // namespace ondrevo::testing
