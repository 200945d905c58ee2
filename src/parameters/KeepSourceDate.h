#pragma once
// "Keep the source's date": whether an output takes its source's modification time and
// creation time. Kept in its own table of the parameter database, keep_sourcedate, made
// when first saved; a database without it means unticked. UI thread.

#include <string>

namespace ondrevo {

class TSqliteQuery;

namespace keep_source_date {

// The stored choice: 1 is ticked; unticked when the table or its row is missing or holds
// anything else. Raises EUniError when the database cannot be read.
bool Read(TSqliteQuery& query);
// Stores the choice, making the table and its row when missing. Raises EUniError when
// it cannot be stored.
void Save(TSqliteQuery& query, bool keep);

} // namespace keep_source_date
} // namespace ondrevo
