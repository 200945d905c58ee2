#pragma once
// "Largest file size" and "Cut to fit": the size no output may exceed, and whether a
// source too long for it is cut rather than refused. Kept in its own table of the
// parameter database, convert_sizelimit, made when first saved; a database without it
// means no limit. UI thread.

#include <optional>
#include <string>
#include <vector>

namespace ondrevo {

class TSqliteQuery;

namespace size_limit {

struct Choice {
    long long kilobytes = 0; // 0: no limit
    bool cutToFit = false;

    long long Bytes() const { return kilobytes * 1024; }
    bool operator==(const Choice&) const = default;
};

// The selector's fixed entries, in order: "No limit" first, then the MMS sizes.
const std::vector<std::string>& EntryNames();
// The kilobytes of each fixed entry (0 for "No limit").
long long EntryKilobytes(int index);
// The position of the fixed entry for `kilobytes`, or -1 for a typed size.
int EntryOf(long long kilobytes);
// The name a typed size is shown with ("400 KB").
std::string TypedName(long long kilobytes);

// The smallest and largest size that may be typed, in kilobytes.
constexpr long long kLeastKilobytes = 20;
constexpr long long kMostKilobytes = 4 * 1024 * 1024 - 1;

// What the selector's text means: an entry's name, or a size typed in KB ("400",
// "400 KB", "400kb"; "1.5 MB" is taken too). Nothing for any other text, and for a size
// outside kLeastKilobytes..kMostKilobytes.
std::optional<long long> ParseKilobytes(const std::string& text);
// The status line when a typed text is no size: the choice stays, and what to type.
std::string RefusalText(const std::string& typed);
// Whether the status line shows such a refusal.
bool IsRefusalText(const std::string& text);
// A size as people read it: "295 KB", "1.9 MB".
std::string ShowBytes(long long bytes);

// The stored choice; no limit when the table or its row is missing or the size is
// outside kLeastKilobytes..kMostKilobytes, and Cut to fit only for a stored 1. Raises
// EUniError when the database cannot be read.
Choice Read(TSqliteQuery& query);
// Stores `choice`, making the table and its row when missing. Raises EUniError when it
// cannot be stored.
void Save(TSqliteQuery& query, const Choice& choice);

} // namespace size_limit
} // namespace ondrevo
