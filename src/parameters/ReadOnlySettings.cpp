#include "parameters/ReadOnlySettings.h"

#include "base/Errors.h"
#include "parameters/TSqlDatMod.h"
#include "parameters/TSqliteQuery.h"

#include <sqlite3.h>

namespace ondrevo {

namespace {

// How long a lock is waited for between looks at whether to give up.
constexpr int kLockStepMilliseconds = 10;

} // namespace

ReadOnlySettings::ReadOnlySettings(const std::string& path)
    : ReadOnlySettings(path, kBusyTimeout)
{
}

ReadOnlySettings::ReadOnlySettings(
    const std::string& path, std::chrono::milliseconds busyTimeout, const std::atomic<bool>* giveUp)
    : busyTimeout_(busyTimeout)
    , giveUp_(giveUp)
{
    const int rc = sqlite3_open_v2(path.c_str(), &dataBase_, SQLITE_OPEN_READONLY, nullptr);
    if (rc != SQLITE_OK) {
        const std::string message = dataBase_ ? sqlite3_errmsg(dataBase_) : sqlite3_errstr(rc);
        sqlite3_close(dataBase_);
        dataBase_ = nullptr;
        throw EUniError(rc, message);
    }
    sqlite3_busy_handler(dataBase_, WaitForLock, this);
    query_ = std::make_unique<TSqliteQuery>(dataBase_);
}

int ReadOnlySettings::WaitForLock(void* self, int tries)
{
    const auto& settings = *static_cast<ReadOnlySettings*>(self);
    if (settings.giveUp_ && *settings.giveUp_)
        return 0;
    if (static_cast<long long>(tries) * kLockStepMilliseconds >= settings.busyTimeout_.count())
        return 0;
    sqlite3_sleep(kLockStepMilliseconds);
    return 1;
}

ReadOnlySettings::~ReadOnlySettings()
{
    query_.reset();
    sqlite3_close(dataBase_);
}

} // namespace ondrevo
