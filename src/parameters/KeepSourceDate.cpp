#include "parameters/KeepSourceDate.h"

#include "parameters/OneRowSetting.h"

namespace ondrevo::keep_source_date {
namespace {

constexpr OneRowColumn kColumns[] = { { "keep_on", "integer" } };
constexpr OneRowSetting kStored { "keep_sourcedate", "keep_numb", kColumns };

} // namespace

bool Read(TSqliteQuery& query)
{
    const auto row = kStored.Read(query);
    return row && row->front().integer == 1;
}

void Save(TSqliteQuery& query, bool keep)
{
    kStored.Save(query, { keep ? 1LL : 0LL });
}

} // namespace ondrevo::keep_source_date
