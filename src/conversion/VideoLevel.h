#pragma once
// The level a phone reads from a picture stream's header before it plays the file, and
// the encoder arguments that make the stream keep to it. MPEG-4 Visual declares the
// Simple Profile level its size, frame rate and bitrate need (the encoder writes level 1
// unless told), and its peak rate is held to that level's by the rate control's buffer
// (the video buffering verifier). H.263 declares no level; with AMR sound (the
// 3GPP phones' own pair) its peak is held to the Profile 0 level the picture fits,
// Level 10 for 176x144 at 15 fps and 64 kbit/s. H.264's encoder picks its level itself.
// Pure functions. UI thread.

#include <string>
#include <vector>

namespace ondrevo::video_level {

struct Picture {
    int width = 0;
    int height = 0;
    double framesPerSecond = 0;
    long long bitsPerSecond = 0;
};

struct Level {
    const char* name; // "Simple Profile Level 3", for a reason or a hint
    int number; // what the encoder's -level takes
    int macroblocksPerFrame; // the largest picture, in 16x16 blocks
    double macroblocksPerSecond;
    long long peakBps;
    long long bufferBits; // the decoder's buffer, the -bufsize that keeps to the peak
};

// The least MPEG-4 Visual Simple Profile level that holds the picture: its size, its
// blocks a second and its bitrate within the level's; the highest level when none does
// (a picture beyond every phone level).
const Level& Mpeg4SimpleLevel(const Picture& picture);
// The least H.263 Profile 0 level that holds the picture; nullptr when none does.
const Level* H263Level(const Picture& picture);

// The arguments that follow the video fragments of a command line whose arguments so far
// are `arguments` ("-c:v", "-b:v", "-s", "-r" read from them, the last of each counting),
// for the sound encoder `audioEncoder`: "-level N -maxrate R -bufsize B" for MPEG-4
// Visual, "-maxrate R -bufsize B" for H.263 with AMR sound, nothing otherwise or when
// the size is not fixed ("-s" missing: the source's own).
std::vector<std::string> Arguments(const std::vector<std::string>& arguments, const std::string& audioEncoder);

} // namespace ondrevo::video_level
