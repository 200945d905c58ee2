#pragma once
// "Files converted at once": how many encoders a batch runs side by side. Kept in its
// own table of the parameter database, convert_atonce, made when first saved; a
// database without it means 1. UI thread.

#include <string>

namespace ondrevo {

class TSqliteQuery;

namespace files_at_once {

// The stored count, 1 to 1024; 1 when the table or its row is missing or the count is
// below 1. Raises EUniError when the database cannot be read.
int Read(TSqliteQuery& query);
// Stores `count` (at least 1), making the table and its row when missing. Raises
// EUniError when it cannot be stored.
void Save(TSqliteQuery& query, int count);
// The count a batch uses: the stored one, at most `cores`.
int Limit(int stored, unsigned cores);

} // namespace files_at_once
} // namespace ondrevo
