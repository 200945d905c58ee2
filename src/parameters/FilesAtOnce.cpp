#include "parameters/FilesAtOnce.h"

#include "parameters/OneRowSetting.h"

#include <algorithm>

namespace ondrevo::files_at_once {
namespace {

constexpr OneRowColumn kColumns[] = { { "atonce_count", "integer" } };
constexpr OneRowSetting kStored { "convert_atonce", "atonce_numb", kColumns };

} // namespace

int Read(TSqliteQuery& query)
{
    const auto row = kStored.Read(query);
    const long long count = row ? row->front().integer : 1;
    return static_cast<int>(std::clamp<long long>(count, 1, 1024));
}

void Save(TSqliteQuery& query, int count)
{
    kStored.Save(query, { static_cast<long long>(std::max(count, 1)) });
}

int Limit(int stored, unsigned cores)
{
    return std::clamp(stored, 1, static_cast<int>(std::max(cores, 1u)));
}

} // namespace ondrevo::files_at_once
