// The encoder program's list kept between runs: taken again whenever the program file is
// not the one it was taken with, and never taken from a file that is damaged or another
// program's. A check with the cache asks the program only once across runs.

#include "conversion/EncoderCheck.h"
#include "conversion/EncoderListCache.h"
#include "support/TempDir.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace ondrevo::testing {
namespace {

namespace fs = std::filesystem;

// A stand-in encoder program that lists `encoders` and notes each time it is asked.
void WriteProgram(const std::string& path, const std::string& encoders, const std::string& asked)
{
    std::ofstream(path, std::ios::trunc) << "#!/bin/sh\necho asked >> '" << asked << "'\n"
                                         << "printf ' ------\\n V..... " << encoders << " x\\n'\n";
    fs::permissions(path, fs::perms::owner_all);
}

int Asked(const std::string& asked)
{
    std::ifstream file(asked);
    int count = 0;
    for (std::string line; std::getline(file, line);)
        ++count;
    return count;
}

TEST(EncoderListCache, AListIsTakenOnlyForTheProgramFileItWasTakenWith)
{
    TempDir dir;
    const std::string program = dir.File("ffmpeg");
    const std::string other = dir.File("other-ffmpeg");
    WriteProgram(program, "mpeg4", dir.File("asked"));
    WriteProgram(other, "mpeg4", dir.File("asked"));
    const EncoderListCache cache(dir.File("cache"));
    const std::set<std::string> list { "aac", "mpeg4" };
    EXPECT_FALSE(cache.Read(program)); // nothing kept yet
    cache.Write(program, list);
    EXPECT_EQ(cache.Read(program), list);
    EXPECT_FALSE(cache.Read(other)); // another program's

    struct Case {
        const char* what;
        std::function<void()> change;
    } const cases[] = {
        { "the program replaced", [&] { WriteProgram(program, "h263", dir.File("asked")); } },
        { "the program touched", [&] {
             fs::last_write_time(program, fs::last_write_time(program) + std::chrono::seconds(1));
         } },
        { "the kept file cut short", [&] {
             const std::string kept = cache.FileOf(program);
             fs::resize_file(kept, fs::file_size(kept) / 2);
         } },
        { "the kept file holds another program's name", [&] {
             std::ofstream(cache.FileOf(program)) << other << "\n" << EncoderListCache::StampOf(program) << "\naac\n";
         } },
        { "the kept file holds no encoder", [&] {
             std::ofstream(cache.FileOf(program)) << program << "\n" << EncoderListCache::StampOf(program) << "\n";
         } },
        { "the program gone", [&] { fs::remove(program); } },
    };
    for (const Case& c : cases) {
        if (fs::exists(program))
            cache.Write(program, list);
        c.change();
        EXPECT_FALSE(cache.Read(program)) << c.what;
        if (!fs::exists(program))
            WriteProgram(program, "mpeg4", dir.File("asked"));
    }
    // A cache without a folder keeps nothing.
    const EncoderListCache none;
    none.Write(program, list);
    EXPECT_FALSE(none.Read(program));
}

TEST(EncoderListCache, ACheckAsksTheProgramOnceAcrossRunsUntilItChanges)
{
    TempDir dir;
    const std::string program = dir.File("ffmpeg");
    const std::string asked = dir.File("asked");
    WriteProgram(program, "mpeg4", asked);
    const std::vector<EncoderCheck::Need> needs { { "mpeg4", "Video Codec", "MPEG-4" } };
    const std::vector<EncoderCheck::Need> amr { { "libopencore_amrnb", "Audio Codec", "AMR-NB" } };
    for (int run = 0; run < 3; ++run) {
        EncoderCheck check; // a run of the program
        check.SetCache(EncoderListCache(dir.File("cache")));
        EXPECT_EQ(check.Refusal(program, needs), "");
        EXPECT_NE(check.Refusal(program, amr).find("no encoder libopencore_amrnb"), std::string::npos);
    }
    EXPECT_EQ(Asked(asked), 1);
    // The program now has it: asked again, and the new list kept.
    WriteProgram(program, "libopencore_amrnb", asked);
    for (int run = 0; run < 2; ++run) {
        EncoderCheck check;
        check.SetCache(EncoderListCache(dir.File("cache")));
        EXPECT_EQ(check.Refusal(program, amr), "");
    }
    EXPECT_EQ(Asked(asked), 2);
}

} // namespace
} // namespace ondrevo::testing
