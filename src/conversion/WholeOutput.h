#pragma once
// Whether a file already under an output's name is a whole conversion of its source, so
// that "Skip" may keep it instead of converting again. UI thread.

#include <string>

namespace ondrevo {

// True when `path` is a regular file that the media library reads as an MP4-family file
// (3GP is one), not cut short, whose playing time is at least 90 % of
// `sourceMilliseconds`. False for anything else, and when the source's length is not
// known (0): then nothing tells whether the file is whole.
bool IsWholeOutput(const std::string& path, long long sourceMilliseconds);

} // namespace ondrevo
