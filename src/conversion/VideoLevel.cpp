#include "conversion/VideoLevel.h"

#include "conversion/EncoderValues.h"

#include <cstdio>
#include <cstdlib>
#include <iterator>

namespace ondrevo::video_level {
namespace {

using encoder_values::BitrateValue;
using encoder_values::RateValue;

constexpr long long kVbvUnitBits = 16384;

// ISO/IEC 14496-2 Simple Profile: picture, block rate, peak rate and buffer per level.
// Level 0b and the short-header level 0 add nothing a phone asks for over level 1.
const Level kMpeg4Levels[] = {
    { "Simple Profile Level 1", 1, 99, 1485, 64000, 10 * kVbvUnitBits },
    { "Simple Profile Level 2", 2, 396, 5940, 128000, 40 * kVbvUnitBits },
    { "Simple Profile Level 3", 3, 396, 11880, 384000, 40 * kVbvUnitBits },
    { "Simple Profile Level 4a", 4, 1200, 36000, 4000000, 80 * kVbvUnitBits },
    { "Simple Profile Level 5", 5, 1620, 40500, 8000000, 112 * kVbvUnitBits },
    { "Simple Profile Level 6", 6, 3600, 108000, 12000000, 248 * kVbvUnitBits },
};

// H.263 Profile 0 (Annex X): QCIF at 15 fps and CIF at 15 and 30 fps. The buffer is the
// reference decoder's: 4 Rmax 1001/30000 plus the largest picture's bits (64 kbit up to
// QCIF, 256 kbit for CIF). The levels' "15 fps" is 30000/2002; a phone takes 15 as it.
constexpr long long H263Buffer(long long peakBps, long long pictureBits)
{
    return peakBps * 4 * 1001 / 30000 + pictureBits;
}
const Level kH263Levels[] = {
    { "H.263 Profile 0 Level 10", 10, 99, 99 * 15.0, 64000, H263Buffer(64000, 64 * 1024) },
    { "H.263 Profile 0 Level 20", 20, 396, 396 * 15.0, 128000, H263Buffer(128000, 256 * 1024) },
    { "H.263 Profile 0 Level 30", 30, 396, 396 * 30.0, 384000, H263Buffer(384000, 256 * 1024) },
    { "H.263 Profile 0 Level 40", 40, 396, 396 * 30.0, 2048000, H263Buffer(2048000, 256 * 1024) },
};

long long Macroblocks(const Picture& picture)
{
    return static_cast<long long>((picture.width + 15) / 16) * ((picture.height + 15) / 16);
}

bool Holds(const Level& level, const Picture& picture)
{
    const long long blocks = Macroblocks(picture);
    // A rounding margin: 15 fps at 99 blocks is exactly the level's 1485 a second.
    return blocks <= level.macroblocksPerFrame
        && static_cast<double>(blocks) * picture.framesPerSecond <= level.macroblocksPerSecond + 1e-6
        && picture.bitsPerSecond <= level.peakBps;
}

} // namespace

const Level& Mpeg4SimpleLevel(const Picture& picture)
{
    for (const Level& level : kMpeg4Levels)
        if (Holds(level, picture))
            return level;
    return *std::prev(std::end(kMpeg4Levels));
}

const Level* H263Level(const Picture& picture)
{
    for (const Level& level : kH263Levels)
        if (Holds(level, picture))
            return &level;
    return nullptr;
}

std::vector<std::string> Arguments(const std::vector<std::string>& arguments, const std::string& audioEncoder)
{
    std::string encoder;
    bool sized = false;
    // Without "-b:v" the encoder's own 200 kbit/s, without "-r" the most a phone clip has.
    Picture picture { 0, 0, 30, 200000 };
    for (std::size_t i = 0; i + 1 < arguments.size(); ++i) {
        const std::string& name = arguments[i];
        const std::string& value = arguments[i + 1];
        if (name == "-c:v" || name == "-vcodec" || name == "-codec:v")
            encoder = value;
        else if (name == "-b:v" && BitrateValue(value) > 0)
            picture.bitsPerSecond = BitrateValue(value);
        else if (name == "-r" && RateValue(value) > 0)
            picture.framesPerSecond = RateValue(value);
        else if (name == "-s")
            sized = std::sscanf(value.c_str(), "%dx%d", &picture.width, &picture.height) == 2 && picture.width > 0
                && picture.height > 0;
    }
    if (!sized)
        return {};
    const auto buffer = [](const Level& level) {
        return std::vector<std::string> { "-maxrate", std::to_string(level.peakBps), "-bufsize",
            std::to_string(level.bufferBits) };
    };
    if (encoder == "mpeg4") {
        const Level& level = Mpeg4SimpleLevel(picture);
        std::vector<std::string> added = { "-level", std::to_string(level.number) };
        for (std::string& argument : buffer(level))
            added.push_back(std::move(argument));
        return added;
    }
    const bool amr = audioEncoder == "libopencore_amrnb" || audioEncoder == "libvo_amrwbenc";
    if (encoder == "h263" && amr)
        if (const Level* level = H263Level(picture))
            return buffer(*level);
    return {};
}

} // namespace ondrevo::video_level
