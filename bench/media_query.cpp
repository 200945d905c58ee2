// Times the media queries that Add and the details panel run, on a small and a large
// generated clip, against the library's command-line tool reading the same parameters
// from the same files. Prints figures and ratios; asserts nothing.
//
//   build-media/bench/media_query [repetitions]

#include "media/MediaQuery.h"
#include "media/MediaTextRules.h"
#include "support/Command.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using namespace ondrevo;
using Clock = std::chrono::steady_clock;

// What Add asks, in its order.
void AddFileQuery(const std::string& path)
{
    std::optional<MediaQuery> query = MediaQuery::Start(path);
    if (!query)
        std::abort();
    query->Get(Stream_General, "FileExtension");
    const std::string size = query->Get(Stream_General, "FileSize/String4");
    query->Get(Stream_General, "Duration/String3");
    if (SizeTextNeedsByteCount(size))
        query->Get(Stream_General, "FileSize");
}

// What the details panel asks, in its order, with the codec and size fallbacks.
void DetailsQuery(const std::string& path)
{
    std::optional<MediaQuery> query = MediaQuery::Start(path);
    if (!query)
        std::abort();
    query->Get(Stream_General, "FileName");
    query->Get(Stream_General, "FileExtension");
    query->Get(Stream_General, "FileExtension");
    const std::string size = query->Get(Stream_General, "FileSize/String4");
    if (SizeTextNeedsByteCount(size))
        query->Get(Stream_General, "FileSize");
    query->Get(Stream_General, "Duration/String3");
    for (MediaStreamKind kind : { Stream_Video, Stream_Audio })
        if (query->Get(kind, "Codec/String").empty())
            query->Get(kind, "Format");
    for (const char* name : { "BitRate/String", "Width", "Height", "FrameRate/String", "DisplayAspectRatio/String" })
        query->Get(Stream_Video, name);
    for (const char* name : { "BitRate/String", "Channel(s)/String", "SamplingRate/String" })
        query->Get(Stream_Audio, name);
}

struct Timing {
    double medianMs;
    double meanMs;
};

Timing Measure(int repetitions, const std::function<void()>& work)
{
    work(); // warm-up: the file in the page cache, the code paths touched
    std::vector<double> ms;
    for (int i = 0; i < repetitions; ++i) {
        const auto start = Clock::now();
        work();
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    std::sort(ms.begin(), ms.end());
    double sum = 0;
    for (double m : ms)
        sum += m;
    return { ms[ms.size() / 2], sum / static_cast<double>(ms.size()) };
}

} // namespace

int main(int argc, char** argv)
{
    const int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 30;
    std::string pattern = (std::filesystem::temp_directory_path() / "ondrevo-bench-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        return 1;
    const std::filesystem::path folder = pattern;

    struct Clip {
        const char* label;
        std::string path;
        std::vector<std::string> generate;
    };
    std::vector<Clip> clips = {
        { "small (2 s, 320x240)", (folder / "small.mp4").string(),
            { "-f", "lavfi", "-i", "testsrc2=size=320x240:rate=25:duration=2", "-f", "lavfi", "-i",
                "sine=frequency=440:sample_rate=44100:duration=2" } },
        { "large (60 s, 1280x720, 6 Mb/s)", (folder / "large.mp4").string(),
            { "-f", "lavfi", "-i", "testsrc2=size=1280x720:rate=25:duration=60", "-f", "lavfi", "-i",
                "sine=frequency=440:sample_rate=44100:duration=60", "-c:v", "libx264", "-preset", "ultrafast", "-b:v",
                "6M" } },
    };
    for (Clip& clip : clips) {
        std::vector<std::string> command = { "ffmpeg", "-nostdin", "-hide_banner", "-loglevel", "error", "-y" };
        command.insert(command.end(), clip.generate.begin(), clip.generate.end());
        command.push_back(clip.path);
        if (ondrevo::testing::RunCommand(command) != 0) {
            std::fprintf(stderr, "ffmpeg could not make %s\n", clip.path.c_str());
            return 1;
        }
    }

    const std::string addTemplate = "--Inform=General;%FileExtension%|%FileSize/String4%|%Duration/String3%";
    const std::filesystem::path detailsTemplateFile = folder / "details.txt";
    std::ofstream(detailsTemplateFile)
        << "General;%FileName%|%FileExtension%|%FileExtension%|%FileSize/String4%|%Duration/String3%\\n\n"
        << "Video;%Codec/String%|%Format%|%BitRate/String%|%Width%|%Height%|%FrameRate/String%|"
           "%DisplayAspectRatio/String%\\n\n"
        << "Audio;%Codec/String%|%Format%|%BitRate/String%|%Channel(s)/String%|%SamplingRate/String%\\n\n";
    const std::string detailsTemplate = "--Inform=file://" + detailsTemplateFile.string();

    // The first query loads the library.
    const auto coldStart = Clock::now();
    AddFileQuery(clips[0].path);
    const double coldMs = std::chrono::duration<double, std::milli>(Clock::now() - coldStart).count();
    std::printf("first query (loads libmediainfo): %.2f ms\n", coldMs);
    std::printf("repetitions: %d in-process, %d command-line tool (median / mean in ms)\n\n", repetitions,
        std::max(3, repetitions / 3));
    std::printf("%-32s %-8s %18s %18s %8s\n", "clip", "query", "in-process", "mediainfo tool", "ratio");

    for (const Clip& clip : clips) {
        const auto bytes = std::filesystem::file_size(clip.path);
        for (int which = 0; which < 2; ++which) {
            const bool details = which == 1;
            const Timing inProcess = Measure(repetitions, [&] {
                if (details)
                    DetailsQuery(clip.path);
                else
                    AddFileQuery(clip.path);
            });
            const std::string& inform = details ? detailsTemplate : addTemplate;
            const Timing tool = Measure(std::max(3, repetitions / 3), [&] {
                ondrevo::testing::RunCommand({ "mediainfo", inform, clip.path }, "/dev/null");
            });
            std::printf("%-32s %-8s %8.2f / %7.2f %8.2f / %7.2f %7.1fx\n", clip.label, details ? "details" : "add",
                inProcess.medianMs, inProcess.meanMs, tool.medianMs, tool.meanMs, tool.medianMs / inProcess.medianMs);
        }
        std::printf("%-32s %s\n", "", (std::to_string(bytes / 1024) + " KiB").c_str());
    }
    std::printf("\nratio = command-line tool median / in-process median (higher: the in-process query is faster)\n");

    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    return 0;
}
