#include "parameters/UnwrittenChanges.h"

#include <algorithm>

namespace ondrevo {

void UnwrittenChanges::Add(ListChange change)
{
    if (end)
        return;
    if (change.wholeList) {
        const int count = static_cast<int>(change.rows.size());
        rows.erase(rows.lower_bound(count), rows.end());
        cutAt = std::min(cutAt.value_or(count), count);
    }
    for (JournalRow& row : change.rows)
        rows.insert_or_assign(row.position, std::move(row));
    partFolders.insert(change.partFolders.begin(), change.partFolders.end());
}

void UnwrittenChanges::Add(UnwrittenChanges later)
{
    if (end)
        return;
    if (later.end) {
        *this = std::move(later);
        return;
    }
    if (later.cutAt) {
        rows.erase(rows.lower_bound(*later.cutAt), rows.end());
        cutAt = std::min(cutAt.value_or(*later.cutAt), *later.cutAt);
    }
    for (auto& [position, row] : later.rows)
        rows.insert_or_assign(position, std::move(row));
    partFolders.merge(later.partFolders);
}

} // namespace ondrevo
