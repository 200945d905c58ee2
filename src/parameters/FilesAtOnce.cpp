#include "parameters/FilesAtOnce.h"

#include "base/Errors.h"
#include "parameters/Statements.h"
#include "parameters/TSqliteQuery.h"

#include <algorithm>

namespace ondrevo::files_at_once {
namespace {

// The one row of the table, named like the output folder's row.
constexpr const char* kRow = "001";

} // namespace

std::string ReadStatement()
{
    return "select atonce_count from convert_atonce where atonce_numb = " + SqlText(kRow);
}

std::string CreateStatement()
{
    return "create table if not exists convert_atonce (atonce_numb varchar(3) primary key, atonce_count integer)";
}

std::string SaveStatement(int count)
{
    return "insert or replace into convert_atonce (atonce_numb, atonce_count) values (" + SqlText(kRow) + ", "
        + SqlNumber(count) + ")";
}

int Read(TSqliteQuery& query)
{
    try {
        RunStatement(query, ReadStatement());
    } catch (const EUniError&) {
        return 1; // an older database without the table
    }
    const long long count = query.RecordCount() > 0 ? query.FieldAsInteger(0) : 1;
    return static_cast<int>(std::clamp<long long>(count, 1, 1024));
}

void Save(TSqliteQuery& query, int count)
{
    RunStatement(query, CreateStatement());
    RunStatement(query, SaveStatement(std::max(count, 1)));
}

int Limit(int stored, unsigned cores)
{
    return std::clamp(stored, 1, static_cast<int>(std::max(cores, 1u)));
}

} // namespace ondrevo::files_at_once
