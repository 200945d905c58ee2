#pragma once
// "Keep the source's date" at the file level: an output takes its source's modification
// time, to the nanosecond where the file systems keep it. UI thread.

#include <string>

namespace ondrevo::source_date {

// Gives the file at `to` the modification time of the file at `from`; its access time
// is left alone. Returns false, changing nothing, when either cannot be reached (a
// source removed meanwhile): the output is kept all the same.
bool CopyModificationTime(const std::string& from, const std::string& to);

} // namespace ondrevo::source_date
