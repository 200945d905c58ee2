#include "conversion/SystemLoginManager.h"

#include "base/Errors.h"

namespace ondrevo {
namespace {

// Stands in until the system-bus client is built: every request fails, so power-off
// ends in the quit request and no inhibitor is taken.
class UnreachableLoginManager : public ILoginManager {
public:
    void Connect() override { Fail(); }
    std::string CanPowerOff() override { Fail(); }
    void PowerOff() override { Fail(); }
    UniqueFd Inhibit(const std::string&, const std::string&, const std::string&, const std::string&) override
    {
        Fail();
    }

private:
    [[noreturn]] static void Fail() { throw Exception("The login manager cannot be reached"); }
};

} // namespace

std::unique_ptr<ILoginManager> CreateSystemLoginManager()
{
    return std::make_unique<UnreachableLoginManager>();
}

} // namespace ondrevo
