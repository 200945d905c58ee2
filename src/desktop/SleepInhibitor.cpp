#include "desktop/SleepInhibitor.h"

#include "desktop/LoginManager.h"

#include <exception>

namespace ondrevo {

void SleepInhibitor::SetHeld(bool held)
{
    if (!held) {
        lock_.Reset();
        return;
    }
    if (lock_.Valid())
        return;
    try {
        manager_.Connect();
        lock_ = manager_.Inhibit("sleep:idle", "Ondrevo", "Converting video files", "block");
    } catch (const std::exception&) {
        // Without a login manager the machine may sleep; the conversion goes on.
    }
}

} // namespace ondrevo
