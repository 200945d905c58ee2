#include "conversion/Shutdown.h"

#include "conversion/LoginManager.h"

#include <exception>

namespace ondrevo {

void ShutdownComputer(std::uint32_t, ILoginManager& manager, const std::function<void()>& quitRequest)
{
    try {
        manager.Connect();
    } catch (const std::exception&) {
        quitRequest();
    }
    try {
        if (manager.CanPowerOff() != "yes")
            quitRequest();
    } catch (const std::exception&) {
        quitRequest();
    }
    try {
        manager.PowerOff();
    } catch (const std::exception&) {
        quitRequest();
    }
}

} // namespace ondrevo
