#pragma once
// Changes to the file list that its journal has not written yet, merged into what the
// next write has to do: rows from `cutAt` on are removed first, then `rows` are written
// at their positions, and `partFolders` are noted as folders where a part was made.
// `end` removes the session instead.

#include "parameters/JournalRow.h"

#include <map>
#include <optional>
#include <set>
#include <string>

namespace ondrevo {

struct UnwrittenChanges {
    std::optional<int> cutAt;
    std::map<int, JournalRow> rows;
    std::set<std::string> partFolders;
    bool end = false;

    bool Empty() const { return !cutAt && rows.empty() && partFolders.empty() && !end; }
    void Add(ListChange change);
    // Adds what was queued after these changes.
    void Add(UnwrittenChanges later);
};

} // namespace ondrevo
