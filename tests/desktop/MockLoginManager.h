#pragma once
// A private D-Bus daemon with a mocked login manager on it (python-dbusmock's logind
// template), for testing the real D-Bus client. Both run as children of the test and are
// ended when the object goes, or when the test process dies.

#include "support/TempDir.h"

#include <string>
#include <sys/types.h>
#include <vector>

struct sd_bus;

namespace ondrevo::testing {

class MockLoginManager {
public:
    // `canPowerOff` is the mock's answer to CanPowerOff. Fails the test (throws) when the
    // bus or the mock does not come up.
    explicit MockLoginManager(const std::string& canPowerOff = "yes");
    ~MockLoginManager();
    MockLoginManager(const MockLoginManager&) = delete;
    MockLoginManager& operator=(const MockLoginManager&) = delete;

    const std::string& Address() const { return address_; }
    // Calls of the manager's methods that reached the mock, in order, with their boolean
    // arguments: "CanPowerOff", "PowerOff false".
    std::vector<std::string> Calls();
    // Makes PowerOff fail with the D-Bus error `name`.
    void RefusePowerOff(const std::string& name, const std::string& message);
    // The inhibitor locks the mock holds, each as "what|who|why|mode".
    std::vector<std::string> Inhibitors();

private:
    void Begin(const std::string& canPowerOff);
    void End();
    // Runs `argv` with its output in `log`; `systemBus`, when given, is its system bus.
    pid_t Start(const std::vector<std::string>& argv, const std::string& log, const std::string& systemBus);
    void Stop(pid_t& pid);

    TempDir dir_;
    std::string address_;
    pid_t daemon_ = -1;
    pid_t mock_ = -1;
    sd_bus* client_ = nullptr;
};

} // namespace ondrevo::testing
