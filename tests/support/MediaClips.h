#pragma once
// Clips shared by the media tests, made once per test program, and the library's own
// command-line tool as an independent reading of the same files.

#include "support/TempDir.h"

#include <string>

namespace ondrevo::testing {

struct MediaClips {
    TempDir folder;
    std::string videoAndAudio; // 2 s, 320x240 video and 44.1 kHz mono audio, .mp4
    std::string videoOnly; // .mp4 without audio
    std::string audioOnly; // .m4a without video
    std::string empty; // an empty .3gp
    std::string garbage; // 5000 random bytes named .3gp
};

// Generated on first use; a generation failure fails the calling test.
const MediaClips& Clips();

// What `mediainfo --Inform=<inform> <path>` prints, without the line end.
std::string MediaInfoTool(const std::string& inform, const std::string& path);

// Makes every media query load the real library again when the test ends.
class RealMediaLibrary {
public:
    RealMediaLibrary();
    ~RealMediaLibrary();
};

} // namespace ondrevo::testing
