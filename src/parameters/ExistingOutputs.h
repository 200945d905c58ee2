#pragma once
// "Existing output files": what a conversion does when a file already has its output's
// name. Kept in its own table of the parameter database, convert_existing, made when
// first saved; a database without it means Replace. UI thread.

#include <array>
#include <string>

namespace ondrevo {

class TSqliteQuery;

enum class ExistingOutputs {
    Replace, // the new output replaces the file once it is whole
    Skip, // a whole 3GP under the name is kept and the row is not converted
    KeepBoth, // the new output takes the next free " (n)" name
};

namespace existing_outputs {

// The selector's entries, in the order of the enum.
const std::array<std::string, 3>& Names();
// The choice at a selector position; Replace for a position outside the list.
ExistingOutputs AtIndex(int index);
int IndexOf(ExistingOutputs choice);

// The stored choice; Replace when the table or its row is missing or holds a word it
// does not know. Raises EUniError when the database cannot be read: a choice to keep
// files must not turn into replacing them.
ExistingOutputs Read(TSqliteQuery& query);
// Stores `choice`, making the table and its row when missing. Raises EUniError when it
// cannot be stored.
void Save(TSqliteQuery& query, ExistingOutputs choice);

} // namespace existing_outputs
} // namespace ondrevo
