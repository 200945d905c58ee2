#include "desktop/SystemLoginManager.h"

#include "desktop/DBusLoginManager.h"

namespace ondrevo {

std::unique_ptr<ILoginManager> CreateSystemLoginManager()
{
    return std::make_unique<DBusLoginManager>();
}

} // namespace ondrevo
