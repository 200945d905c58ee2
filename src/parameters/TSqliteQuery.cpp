#include "parameters/TSqliteQuery.h"

#include "base/Errors.h"

#include <sqlite3.h>

namespace ondrevo {
namespace {

[[noreturn]] void RaiseDatabaseError(sqlite3* db, int code)
{
    throw EUniError(code, db ? sqlite3_errmsg(db) : sqlite3_errstr(code));
}

} // namespace

void TSqliteQuery::Execute()
{
    rows_.clear();
    row_ = 0;
    sqlite3_stmt* statement = nullptr;
    int rc = sqlite3_prepare_v2(dataBase_, sql_.c_str(), static_cast<int>(sql_.size()), &statement, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_finalize(statement);
        RaiseDatabaseError(dataBase_, rc);
    }
    if (!statement)
        return; // an empty text or only a comment: nothing to run
    const int columns = sqlite3_column_count(statement);
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
        std::vector<Cell> row(static_cast<std::size_t>(columns));
        for (int c = 0; c < columns; ++c) {
            Cell& cell = row[static_cast<std::size_t>(c)];
            cell.isNull = sqlite3_column_type(statement, c) == SQLITE_NULL;
            if (cell.isNull)
                continue;
            cell.integer = sqlite3_column_int64(statement, c);
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, c));
            cell.text.assign(text ? text : "", static_cast<std::size_t>(sqlite3_column_bytes(statement, c)));
        }
        rows_.push_back(std::move(row));
    }
    sqlite3_finalize(statement);
    if (rc != SQLITE_DONE) {
        rows_.clear();
        RaiseDatabaseError(dataBase_, rc);
    }
}

const TSqliteQuery::Cell* TSqliteQuery::CurrentCell(int column) const
{
    if (row_ >= rows_.size() || column < 0 || static_cast<std::size_t>(column) >= rows_[row_].size())
        return nullptr;
    const Cell& cell = rows_[row_][static_cast<std::size_t>(column)];
    return cell.isNull ? nullptr : &cell;
}

long long TSqliteQuery::FieldAsInteger(int column) const
{
    const Cell* cell = CurrentCell(column);
    return cell ? cell->integer : 0;
}

std::string TSqliteQuery::FieldAsString(int column) const
{
    const Cell* cell = CurrentCell(column);
    return cell ? cell->text : std::string();
}

bool TSqliteQuery::HasTable(const std::string& table) const
{
    const auto lookUp = [this](const char* name) {
        return sqlite3_table_column_metadata(
            dataBase_, "main", name, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    };
    if (lookUp(table.c_str()) == SQLITE_OK)
        return true;
    // The schema's own table is always found once the schema is read: when it is not,
    // the failure is the file's, not a missing table.
    const int rc = lookUp("sqlite_master");
    if (rc != SQLITE_OK)
        RaiseDatabaseError(dataBase_, rc);
    return false;
}

void RunStatement(TSqliteQuery& query, const std::string& statement)
{
    query.ClearSQL();
    query.SetSQL(statement);
    query.Execute();
}

bool IsLockError(const EUniError& error)
{
    const int primary = error.ErrorCode() & 0xff;
    return primary == SQLITE_BUSY || primary == SQLITE_LOCKED;
}

} // namespace ondrevo
