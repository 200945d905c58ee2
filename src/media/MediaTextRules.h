#pragma once
// How the program cuts and joins the library's texts for the file list and the details
// panel: the playing time as hh:mm:ss with a default, and the size in megabytes.

#include <string>

namespace ondrevo {

// Defaults for a file whose playing time the library does not know.
extern const char* const kAddedPlayingTimeDefault; // "02:50:00", file list and mini player
extern const char* const kDetailsPlayingTimeDefault; // "02:00:00", details panel

// The first eight characters of a "Duration/String3" text (the whole text when it is
// shorter), or `whenEmpty` for an empty text.
std::string PlayingTimeText(const std::string& duration, const std::string& whenEmpty);
// A row's "hh:mm:ss" playing time in milliseconds; 0 for a text that is not one.
long long PlayingTimeMilliseconds(const std::string& hhmmss);
// The library's "Duration" (milliseconds, maybe with a fraction: "2084.000") as a
// whole number; 0 when it is empty or not a number.
long long MillisecondsText(const std::string& duration);

// Whether the "FileSize/String4" text is not in MiB and the size must be computed from
// the "FileSize" byte count instead. The library picks the unit by magnitude ("43.98
// KiB", "0.000 Byte", "1.234 GiB"), so cutting off the unit works only for " MiB".
bool SizeTextNeedsByteCount(const std::string& fileSizeString4);

// The size shown for a file. A " MiB" text loses its last three characters and gets
// "MB" ("86.05 MiB" -> "86.05 MB"); a text of three characters or fewer (the library
// could not read the file) gives "MB". Any other unit is replaced by the byte count in
// MiB, see MegabytesText; if `fileSizeBytes` is not a byte count the text is cut the
// same way as a MiB text.
std::string SizeText(const std::string& fileSizeString4, const std::string& fileSizeBytes = {});

// A byte count as MiB with three decimals and " MB": 5000 -> "0.005 MB",
// 1325000000 -> "1263.618 MB".
std::string MegabytesText(unsigned long long bytes);

} // namespace ondrevo
