#pragma once
// The file list as its journal keeps it: rows, and the changes one user action or event
// made to them.

#include <array>
#include <string>
#include <vector>

namespace ondrevo {

struct JournalRow {
    int position = 0;
    std::string caption; // the source file's full path
    int imageIndex = 0;
    std::array<std::string, 4> subItems; // type, size, playing time, percent
    std::string hint;
    // The row's phase in the batch ("converted", "stopped", ...); empty in journals
    // written before phases were kept.
    std::string phase;
    // Noted when the row's part is made: the output's final name, the part's name, and
    // the part's identity ("device:inode"), which the final name has once the part was
    // renamed to it. Empty for rows that never converted, and in older journals.
    std::string output;
    std::string part;
    std::string partId;

    bool operator==(const JournalRow&) const = default;
};

struct ListChange {
    // The rows below are the whole list: rows past them are gone (after a delete or a
    // clear, or when an earlier change could not be written).
    bool wholeList = false;
    // Rows written at their position, replacing what was there.
    std::vector<JournalRow> rows;
    // Folders a part was made in: their abandoned parts are removed at later starts.
    std::vector<std::string> partFolders;
};

} // namespace ondrevo
