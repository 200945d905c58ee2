// The level a picture declares, at each level's limits, and the arguments that make the
// encoder keep to it.

#include "conversion/VideoLevel.h"

#include <gtest/gtest.h>

namespace ondrevo::video_level {
namespace {

TEST(VideoLevel, EachSizeRateAndBitrateGetsTheLeastSimpleProfileLevelThatHoldsIt)
{
    const struct {
        int width, height;
        double fps;
        long long bps;
        int level;
    } rows[] = {
        // Level 1: 99 blocks, 1485 a second, 64 kbit/s.
        { 176, 144, 15, 64000, 1 },
        { 128, 96, 30, 64000, 1 }, // 48 blocks: 1440 a second
        { 160, 120, 15, 64000, 1 },
        { 176, 144, 15, 64001, 2 },
        { 176, 144, 15.01, 64000, 2 },
        { 176, 160, 10, 64000, 2 }, // 110 blocks: beyond QCIF's 99
        // Level 2: 396 blocks, 5940 a second, 128 kbit/s.
        { 352, 288, 15, 128000, 2 },
        { 320, 240, 15, 128000, 2 },
        { 352, 288, 15, 128001, 3 },
        { 176, 144, 15, 256000, 3 }, // the shipped choices
        { 352, 288, 20, 128000, 3 },
        // Level 3: 396 blocks, 11880 a second, 384 kbit/s.
        { 352, 288, 30, 384000, 3 },
        { 320, 240, 15, 384000, 3 },
        { 400, 240, 25, 384000, 3 },
        { 352, 288, 30, 384001, 4 },
        { 352, 288, 30.01, 384000, 4 },
        { 352, 304, 15, 128000, 4 }, // 418 blocks
        // Level 4a: 1200 blocks, 36000 a second, 4 Mbit/s.
        { 480, 320, 30, 1024000, 4 },
        { 640, 480, 30, 4000000, 4 },
        { 640, 480, 30, 4000001, 5 },
        { 640, 480, 30000.0 / 1001, 768000, 4 },
        // Level 5: 1620 blocks, 40500 a second, 8 Mbit/s; level 6: 3600, 108000, 12 Mbit/s.
        { 704, 576, 25, 1024000, 5 },
        { 704, 576, 30, 1024000, 6 },
        { 1280, 720, 30, 12000000, 6 },
        // Beyond every level: the highest.
        { 1408, 1152, 5, 64000, 6 },
        { 176, 144, 15, 20000000, 6 },
    };
    for (const auto& row : rows)
        EXPECT_EQ(Mpeg4SimpleLevel({ row.width, row.height, row.fps, row.bps }).number, row.level)
            << row.width << "x" << row.height << " " << row.fps << " fps " << row.bps;
}

TEST(VideoLevel, H263PeaksFollowProfileZeroLevels)
{
    const struct {
        int width, height;
        double fps;
        long long bps;
        int level; // 0: none
    } rows[] = {
        { 176, 144, 15, 64000, 10 },
        { 128, 96, 15, 64000, 10 },
        { 176, 144, 15, 64001, 20 },
        { 176, 144, 25, 64000, 20 }, // QCIF at 30 fps is Level 20's
        { 352, 288, 15, 128000, 20 },
        { 352, 288, 25, 128000, 30 },
        { 352, 288, 30, 384001, 40 },
        { 352, 288, 30, 2048001, 0 },
        { 704, 576, 15, 1024000, 0 },
    };
    for (const auto& row : rows) {
        const Level* level = H263Level({ row.width, row.height, row.fps, row.bps });
        EXPECT_EQ(level ? level->number : 0, row.level) << row.width << "x" << row.height << " " << row.fps;
    }
}

TEST(VideoLevel, ArgumentsFollowTheVideoFragmentsOfTheCodecsThatNeedThem)
{
    using Line = std::vector<std::string>;
    const Line mpeg4 = { "-c:v", "mpeg4", "-pix_fmt", "yuv420p", "-b:v", "256k", "-s", "176x144", "-r", "15" };
    const Line h263 = { "-c:v", "h263", "-b:v", "64k", "-s", "176x144", "-r", "15" };
    const struct {
        const char* what;
        Line line;
        const char* audio;
        Line added;
    } rows[] = {
        { "MPEG-4 with AAC", mpeg4, "aac", { "-level", "3", "-maxrate", "384000", "-bufsize", "655360" } },
        { "MPEG-4, silent", mpeg4, "", { "-level", "3", "-maxrate", "384000", "-bufsize", "655360" } },
        { "MPEG-4 at 64 kbit/s, the last -b:v counting",
            { "-c:v", "mpeg4", "-b:v", "256k", "-s", "176x144", "-r", "15", "-b:v", "64000" }, "aac",
            { "-level", "1", "-maxrate", "64000", "-bufsize", "163840" } },
        { "MPEG-4 without a bitrate: the encoder's 200 kbit/s", { "-c:v", "mpeg4", "-s", "320x240", "-r", "15" }, "aac",
            { "-level", "3", "-maxrate", "384000", "-bufsize", "655360" } },
        { "MPEG-4 at the source's size", { "-c:v", "mpeg4", "-b:v", "256k", "-r", "15" }, "aac", {} },
        { "H.263 with AMR-NB", h263, "libopencore_amrnb", { "-maxrate", "64000", "-bufsize", "74077" } },
        { "H.263 with AMR-WB", h263, "libvo_amrwbenc", { "-maxrate", "64000", "-bufsize", "74077" } },
        { "H.263 with AAC: as it always was", h263, "aac", {} },
        { "H.263 with AMR beyond every level", { "-c:v", "h263", "-b:v", "1024k", "-s", "704x576", "-r", "25" },
            "libopencore_amrnb", {} },
        { "H.264", { "-c:v", "libx264", "-b:v", "256k", "-s", "176x144", "-r", "15" }, "libopencore_amrnb", {} },
    };
    for (const auto& row : rows)
        EXPECT_EQ(Arguments(row.line, row.audio), row.added) << row.what;
}

} // namespace
} // namespace ondrevo::video_level
