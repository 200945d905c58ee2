#pragma once
// The login manager as the conversion sees it, in memory.

#include "conversion/LoginManager.h"

#include <string>
#include <vector>

namespace ondrevo::testing {

// Records what the conversion asks of the login manager and answers as told; the
// machine is never powered off from a test.
class MemoryLoginManager : public ILoginManager {
public:
    void Connect() override;
    std::string CanPowerOff() override;
    void PowerOff() override;
    UniqueFd Inhibit(
        const std::string& what, const std::string& who, const std::string& why, const std::string& mode) override;

    bool reachable = true;
    std::string canPowerOff = "yes";
    bool powerOffRefused = false;
    std::vector<std::string> calls; // "Connect", "CanPowerOff", "PowerOff", "Inhibit <what> <mode>"
};

} // namespace ondrevo::testing
