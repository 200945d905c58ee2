#include "parameters/OneRowSetting.h"

#include "base/Errors.h"
#include "parameters/Statements.h"
#include "parameters/TSqliteQuery.h"

namespace ondrevo {
namespace {

// The one row of each such table, named like the output folder's row.
constexpr const char* kRow = "001";

} // namespace

std::string OneRowSetting::ReadStatement() const
{
    std::string names;
    for (const OneRowColumn& column : columns)
        names += (names.empty() ? "" : ", ") + std::string(column.name);
    return "select " + names + " from " + table + " where " + keyColumn + " = " + SqlText(kRow);
}

std::string OneRowSetting::CreateStatement() const
{
    std::string statement = "create table if not exists " + std::string(table) + " (" + keyColumn
        + " varchar(3) primary key";
    for (const OneRowColumn& column : columns)
        statement += ", " + std::string(column.name) + " " + column.sqlType;
    return statement + ")";
}

std::string OneRowSetting::SaveStatement(const std::vector<Value>& values) const
{
    if (values.size() != columns.size())
        throw Exception(std::string("A row of ") + table + " needs " + std::to_string(columns.size()) + " values");
    std::string names = keyColumn;
    std::string written = SqlText(kRow);
    for (std::size_t n = 0; n < columns.size(); ++n) {
        names += ", " + std::string(columns[n].name);
        const Value& value = values[n];
        written += ", "
            + (std::holds_alternative<long long>(value) ? SqlNumber(std::get<long long>(value))
                                                       : SqlText(std::get<std::string>(value)));
    }
    return "insert or replace into " + std::string(table) + " (" + names + ") values (" + written + ")";
}

std::optional<std::vector<OneRowSetting::Cell>> OneRowSetting::Read(TSqliteQuery& query) const
{
    try {
        RunStatement(query, ReadStatement());
    } catch (const EUniError& error) {
        // Only a table the schema lacks means the default; a lock says nothing about the
        // schema, and a schema that cannot be read raises from HasTable.
        if (IsLockError(error) || query.HasTable(table))
            throw;
        return std::nullopt;
    }
    if (query.RecordCount() == 0)
        return std::nullopt;
    query.First();
    std::vector<Cell> cells;
    for (int n = 0; n < static_cast<int>(columns.size()); ++n)
        cells.push_back({ query.FieldAsInteger(n), query.FieldAsString(n) });
    return cells;
}

void OneRowSetting::Save(TSqliteQuery& query, const std::vector<Value>& values) const
{
    const std::string save = SaveStatement(values);
    RunStatement(query, CreateStatement());
    RunStatement(query, save);
}

} // namespace ondrevo
