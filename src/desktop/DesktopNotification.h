#pragma once
// One message through the desktop's notification service
// (org.freedesktop.Notifications on the session bus), for desktops without a
// notification area. Best effort: false when no service answers. UI thread.

#include <string>

namespace ondrevo {

bool NotifyDesktop(const std::string& summary, const std::string& body);

} // namespace ondrevo
