#include "parameters/TSqlDatMod.h"

#include "base/Errors.h"
#include "parameters/ListJournal.h"
#include "parameters/TSqliteQuery.h"

#include <sqlite3.h>

namespace ondrevo {

TSqlDatMod* SqlDatMod = nullptr;

TSqlDatMod::TSqlDatMod(const std::string& databaseName)
{
    const int rc
        = sqlite3_open_v2(databaseName.c_str(), &dataBase_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc != SQLITE_OK) {
        const std::string message = dataBase_ ? sqlite3_errmsg(dataBase_) : sqlite3_errstr(rc);
        sqlite3_close(dataBase_);
        dataBase_ = nullptr;
        throw EUniError(rc, message);
    }
    query_ = std::make_unique<TSqliteQuery>(dataBase_);
    // By the file's full name: the working directory may change before the journal opens it.
    journal_ = std::make_unique<ListJournal>(sqlite3_db_filename(dataBase_, "main"));
    SetBusyTimeout(kBusyTimeout);
}

TSqlDatMod::~TSqlDatMod()
{
    journal_.reset();
    query_.reset();
    sqlite3_close(dataBase_);
}

std::string TSqlDatMod::FileName() const
{
    const char* name = sqlite3_db_filename(dataBase_, "main");
    return name ? name : "";
}

void TSqlDatMod::SetBusyTimeout(std::chrono::milliseconds timeout)
{
    busyTimeout_ = timeout;
    sqlite3_busy_timeout(dataBase_, static_cast<int>(timeout.count()));
    journal_->SetBusyTimeout(timeout);
}

bool TSqlDatMod::TakeSaveFailureReport()
{
    if (saveFailureReported_)
        return false;
    saveFailureReported_ = true;
    return true;
}

} // namespace ondrevo
