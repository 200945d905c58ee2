#include "parameters/KeepSourceDate.h"

#include "base/Errors.h"
#include "parameters/Statements.h"
#include "parameters/TSqliteQuery.h"

namespace ondrevo::keep_source_date {
namespace {

// The one row of the table, named like the output folder's row.
constexpr const char* kRow = "001";

} // namespace

std::string ReadStatement()
{
    return "select keep_on from keep_sourcedate where keep_numb = " + SqlText(kRow);
}

std::string CreateStatement()
{
    return "create table if not exists keep_sourcedate (keep_numb varchar(3) primary key, keep_on integer)";
}

std::string SaveStatement(bool keep)
{
    return "insert or replace into keep_sourcedate (keep_numb, keep_on) values (" + SqlText(kRow) + ", "
        + SqlNumber(keep ? 1 : 0) + ")";
}

bool Read(TSqliteQuery& query)
{
    try {
        RunStatement(query, ReadStatement());
    } catch (const EUniError& error) {
        // An older database without the table; any other failure is the file's.
        if (std::string(error.what()).find("no such table") != std::string::npos)
            return false;
        throw;
    }
    return query.RecordCount() > 0 && query.FieldAsInteger(0) != 0;
}

void Save(TSqliteQuery& query, bool keep)
{
    RunStatement(query, CreateStatement());
    RunStatement(query, SaveStatement(keep));
}

} // namespace ondrevo::keep_source_date
