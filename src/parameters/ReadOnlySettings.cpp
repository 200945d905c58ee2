#include "parameters/ReadOnlySettings.h"

#include "base/Errors.h"
#include "parameters/TSqlDatMod.h"
#include "parameters/TSqliteQuery.h"

#include <sqlite3.h>

namespace ondrevo {

ReadOnlySettings::ReadOnlySettings(const std::string& path)
{
    const int rc = sqlite3_open_v2(path.c_str(), &dataBase_, SQLITE_OPEN_READONLY, nullptr);
    if (rc != SQLITE_OK) {
        const std::string message = dataBase_ ? sqlite3_errmsg(dataBase_) : sqlite3_errstr(rc);
        sqlite3_close(dataBase_);
        dataBase_ = nullptr;
        throw EUniError(rc, message);
    }
    sqlite3_busy_timeout(dataBase_, static_cast<int>(kBusyTimeout.count()));
    query_ = std::make_unique<TSqliteQuery>(dataBase_);
}

ReadOnlySettings::~ReadOnlySettings()
{
    query_.reset();
    sqlite3_close(dataBase_);
}

} // namespace ondrevo
