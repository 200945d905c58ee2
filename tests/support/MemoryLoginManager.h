#pragma once
// The login manager as the conversion sees it, in memory: it records what is asked of it
// and answers as told; the machine is never powered off from a test.

#include "base/Errors.h"
#include "desktop/LoginManager.h"

#include <fcntl.h>
#include <string>
#include <vector>

namespace ondrevo::testing {

class MemoryLoginManager : public ILoginManager {
public:
    void Connect() override { Call("Connect"); }
    std::string CanPowerOff() override
    {
        Call("CanPowerOff");
        return canPowerOff;
    }
    void PowerOff() override
    {
        Call("PowerOff");
        if (powerOffRefused)
            throw Exception("Power-off refused");
    }
    UniqueFd Inhibit(const std::string& what, const std::string&, const std::string&, const std::string& mode) override
    {
        Call("Inhibit " + what + " " + mode);
        // Any descriptor stands for the lock: what matters is when it is closed.
        return UniqueFd(::open("/dev/null", O_RDONLY | O_CLOEXEC));
    }

    bool reachable = true;
    std::string canPowerOff = "yes";
    bool powerOffRefused = false;
    std::vector<std::string> calls; // "Connect", "CanPowerOff", "PowerOff", "Inhibit <what> <mode>"

private:
    void Call(const std::string& call)
    {
        calls.push_back(call);
        if (!reachable)
            throw Exception(call == "PowerOff" ? "Power-off refused" : "The login manager cannot be reached");
    }
};

} // namespace ondrevo::testing
