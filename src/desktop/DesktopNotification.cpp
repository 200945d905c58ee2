#include "desktop/DesktopNotification.h"

#include <systemd/sd-bus.h>

namespace ondrevo {

bool NotifyDesktop(const std::string& summary, const std::string& body)
{
    sd_bus* bus = nullptr;
    if (sd_bus_open_user(&bus) < 0)
        return false;
    sd_bus_error error = SD_BUS_ERROR_NULL;
    sd_bus_message* reply = nullptr;
    // Notify(app_name, replaces_id, app_icon, summary, body, actions, hints, expire_timeout)
    const int result = sd_bus_call_method(bus, "org.freedesktop.Notifications", "/org/freedesktop/Notifications",
        "org.freedesktop.Notifications", "Notify", &error, &reply, "susssasa{sv}i", "Ondrevo", 0u, "ondrevo",
        summary.c_str(), body.c_str(), 0, 0, -1);
    sd_bus_message_unref(reply);
    sd_bus_error_free(&error);
    sd_bus_flush_close_unref(bus);
    return result >= 0;
}

} // namespace ondrevo
