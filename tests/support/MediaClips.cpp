#include "support/MediaClips.h"

#include "media/MediaInfoDll.h"
#include "support/Clip.h"
#include "support/Command.h"

#include <fstream>
#include <gtest/gtest.h>
#include <memory>
#include <random>

namespace ondrevo::testing {

namespace {

std::unique_ptr<MediaClips> MakeClips()
{
    auto clips = std::make_unique<MediaClips>();
    clips->videoAndAudio = clips->folder.File("av.mp4");
    clips->videoOnly = clips->folder.File("video.mp4");
    clips->audioOnly = clips->folder.File("audio.m4a");
    clips->empty = clips->folder.File("empty.3gp");
    clips->garbage = clips->folder.File("garbage.3gp");
    GenerateClip(clips->videoAndAudio, 2);
    GenerateClip(clips->videoOnly, 2, true, false);
    GenerateClip(clips->audioOnly, 2, false, true);
    std::ofstream(clips->empty, std::ios::binary);
    std::ofstream garbage(clips->garbage, std::ios::binary);
    std::mt19937 random(4711);
    for (int i = 0; i < 5000; ++i)
        garbage.put(static_cast<char>(random() & 0xff));
    return clips;
}

} // namespace

const MediaClips& Clips()
{
    static std::unique_ptr<MediaClips> clips = MakeClips();
    return *clips;
}

std::string MediaInfoTool(const std::string& inform, const std::string& path)
{
    std::string text = ShellOutput("mediainfo " + ShellQuote("--Inform=" + inform) + " " + ShellQuote(path));
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    return text;
}

RealMediaLibrary::RealMediaLibrary()
{
    SetMediaInfoLibraryNameForTesting(kMediaInfoLibraryName);
}

RealMediaLibrary::~RealMediaLibrary()
{
    SetMediaInfoLibraryNameForTesting(kMediaInfoLibraryName);
}

} // namespace ondrevo::testing
