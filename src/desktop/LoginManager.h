#pragma once
// The desktop's login manager as the conversion needs it: whether the machine may be
// powered off, the power-off request itself, and inhibitor locks that keep the machine
// awake while a batch runs. The program talks to the real one on the system bus; tests
// talk to a mocked one on a private bus, or to an in-memory stand-in.

#include "process/UniqueFd.h"

#include <string>

namespace ondrevo {

class ILoginManager {
public:
    virtual ~ILoginManager() = default;

    // Reaches the manager. Raises Exception when it cannot be reached.
    virtual void Connect() = 0;
    // The manager's answer to whether this user may power off now: "yes", "no",
    // "challenge" or "na". Raises Exception when it cannot be asked.
    virtual std::string CanPowerOff() = 0;
    // Asks for power-off without any interaction with the user. Raises Exception when
    // the request is refused or cannot be made.
    virtual void PowerOff() = 0;
    // Takes an inhibitor lock (`what` such as "sleep:idle", `mode` "block"); the lock
    // holds until the returned descriptor is closed. Raises Exception on failure.
    virtual UniqueFd Inhibit(
        const std::string& what, const std::string& who, const std::string& why, const std::string& mode)
        = 0;
};

} // namespace ondrevo
