#pragma once
// The login manager of the machine the program runs on (on the system bus).

#include "conversion/LoginManager.h"

#include <memory>

namespace ondrevo {

std::unique_ptr<ILoginManager> CreateSystemLoginManager();

} // namespace ondrevo
