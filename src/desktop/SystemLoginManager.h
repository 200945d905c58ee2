#pragma once
// The login manager of the machine the program runs on (on the system bus).

#include "desktop/LoginManager.h"

#include <memory>

namespace ondrevo {

// A D-Bus client of the system bus's login manager; it connects on first use.
std::unique_ptr<ILoginManager> CreateSystemLoginManager();

} // namespace ondrevo
