#pragma once
// What one query of a source file found: the details panel's rows, its playing time and
// its size, as plain values that any view can show.

#include <array>
#include <string>

namespace ondrevo {

struct SourceFacts {
    // The details panel's rows 1..15 (row 0 unused): name, type, size, playing time, the
    // video stream's codec, bitrate, size, frame rate and shape, the audio stream's codec,
    // bitrate, channels and sampling frequency; rows 5 and 11 are headings and stay empty.
    std::array<std::string, 16> details;
    // Whether the media library could read the file at all.
    bool known = false;
    // Playing time in milliseconds, 0 when unknown; size in bytes, -1 when unknown.
    long long milliseconds = 0;
    long long bytes = -1;
};

} // namespace ondrevo
