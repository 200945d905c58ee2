// "Largest file size" on ten clips of different lengths and content, with the shipped
// choices: each output's size against its limit, the encoder runs it took, the sound's
// bitrate its last run wrote, and the batch's time without a limit, at 295 KB, and at 1.1 MB with "Cut to fit".
//   build/bench/size_limit [seconds scale] [video codec entry]
//   (scale 1 by default, 0.5 halves every clip; the codec's entry 2 is H.264)

#include "BatchProgram.h"

#include "conversion/Batch.h"
#include "conversion/CommandLine.h"
#include "parameters/SizeLimit.h"

#include <map>
#include <sys/stat.h>

using namespace ondrevo;
using namespace ondrevo::bench;

namespace {

struct Clip {
    const char* name;
    const char* what;
    double seconds;
    std::string source; // lavfi video source and filters
};

long long FileSize(const std::string& path)
{
    struct stat status { };
    return ::stat(path.c_str(), &status) == 0 ? static_cast<long long>(status.st_size) : -1;
}

struct Runs {
    int count = 0;
    std::string audio; // the last run's "-b:a" in kbit/s
};

// The encoder runs each source took, from the stand-in's log of each run's "-i" and
// "-b:a" arguments, a tab between them.
std::map<std::string, Runs> RunsPerSource(const std::string& log)
{
    std::map<std::string, Runs> runs;
    std::ifstream in(log);
    for (std::string line; std::getline(in, line);) {
        const std::size_t tab = line.find('\t');
        Runs& source = runs[line.substr(0, tab)];
        ++source.count;
        const std::string audio = tab == std::string::npos ? "" : line.substr(tab + 1);
        source.audio
            = audio.empty() || audio.back() == 'k' ? audio : std::to_string(std::atoll(audio.c_str()) / 1000) + "k";
    }
    return runs;
}

} // namespace

int main(int argc, char** argv)
{
    const double scale = argc > 1 ? std::atof(argv[1]) : 1.0;
    const int codec = argc > 2 ? std::atoi(argv[2]) : -1;
    const std::vector<Clip> clips = {
        { "still8", "still picture", 8, "smptebars=size=320x240:rate=25" },
        { "moving12", "moving", 12, "testsrc2=size=320x240:rate=25" },
        { "noisy12", "moving, noisy", 12, "testsrc2=size=320x240:rate=25,noise=alls=40:allf=t" },
        { "moving20", "moving", 20, "testsrc2=size=320x240:rate=25" },
        { "scroll20", "scrolling bars", 20, "smptebars=size=320x240:rate=25,scroll=h=0.01" },
        { "noisy20", "moving, noisy", 20, "testsrc2=size=320x240:rate=25,noise=alls=20:allf=t" },
        { "mandel30", "zooming fractal", 30, "mandelbrot=size=320x240:rate=25" },
        { "moving30", "moving", 30, "testsrc2=size=320x240:rate=25" },
        { "moving60", "moving", 60, "testsrc2=size=320x240:rate=25" },
        { "moving600", "moving, 10 min", 600, "testsrc2=size=320x240:rate=25" },
    };
    BatchProgram program;
    testing::Session& session = *program.session;
    testing::MemoryMainWindow& window = session.window;
    const std::string folder = program.dir.Path().string();
    const std::string log = folder + "/runs.log";
    // The encoder behind a stand-in that notes the source and the sound's bitrate of every run.
    const std::string encoder = folder + "/program/bin/ffmpeg";
    std::filesystem::remove(encoder);
    std::ofstream(encoder) << "#!/bin/sh\nprev=; src=; ba=\nfor a; do [ \"$prev\" = -i ] && src=$a; "
                           << "[ \"$prev\" = -b:a ] && ba=$a; prev=$a; done\nprintf '%s\\t%s\\n' \"$src\" \"$ba\" >>"
                           << log << "\nexec /usr/bin/ffmpeg \"$@\"\n";
    std::filesystem::permissions(encoder, std::filesystem::perms::owner_all);

    std::filesystem::create_directories(folder + "/clips");
    for (const Clip& clip : clips) {
        const std::string path = folder + "/clips/" + clip.name + ".mp4";
        const std::string seconds = std::to_string(clip.seconds * scale);
        if (testing::RunCommand({ "ffmpeg", "-nostdin", "-loglevel", "error", "-y", "-f", "lavfi", "-i", clip.source,
                "-f", "lavfi", "-i", "sine=frequency=440:sample_rate=44100", "-t", seconds, "-c:v", "libx264",
                "-preset", "ultrafast", "-qp", "10", "-pix_fmt", "yuv420p", "-c:a", "aac", path })
            != 0)
            return 1;
        window.openDialog.answers.push_back(path);
        session.Event([](TFFmpegFrmHandlers& h) { h.AddFileBtnClick(); });
    }

    struct Mode {
        const char* name;
        const char* limit; // typed into the selector
        bool cut;
    };
    const Mode modes[] = { { "no limit", "No limit", false }, { "295 KB", "295 KB (MMS)", false },
        { "1.1 MB, cut to fit", "1.1 MB (MMS)", true } };
    if (codec >= 0)
        window.Vdo(1).UserPick(codec);
    std::printf("video codec: %s; uptime: ", window.Vdo(1).Text().c_str());
    std::fflush(stdout);
    std::system("uptime");
    for (const Mode& mode : modes) {
        window.sizeLimitCombo.UserType(mode.limit);
        if (window.cutToFitCheck.Checked() != mode.cut)
            window.cutToFitCheck.UserClick();
        const long long limit = size_limit::ParseKilobytes(mode.limit).value_or(0) * 1024;
        std::filesystem::remove(log);
        // Each batch starts on an empty output folder: what it leaves there is its own.
        for (const auto& entry : std::filesystem::directory_iterator(program.OutputFolder()))
            std::filesystem::remove(entry.path());
        const auto start = Clock::now();
        session.Event([](TFFmpegFrmHandlers& h) { h.ConvFileBtnClick(); });
        session.loop.RunUntil(
            [&] { return window.addFileBtn.enabled && !window.encoders.AnyBusy(); }, std::chrono::hours(2));
        const double took = Seconds(Clock::now() - start);
        const std::map<std::string, Runs> runs = RunsPerSource(log);
        std::printf("\n%s: batch %.1f s\n", mode.name, took);
        std::printf("%-10s %-16s %7s %10s %7s %7s %5s %6s  %s\n", "clip", "content", "length", "bytes", "limit%",
            "plays", "runs", "sound", "outcome");
        for (std::size_t row = 0; row < clips.size(); ++row) {
            const Clip& clip = clips[row];
            const std::string source = folder + "/clips/" + clip.name + ".mp4";
            const long long bytes = FileSize(program.OutputFolder() + "/" + clip.name + ".3gp");
            const auto& fileRow = window.fileList.rows[row];
            const bool failed = fileRow.image == batch::kFailedImage;
            const std::string outcome
                = failed ? "failed: " + fileRow.hint : (fileRow.hint.empty() ? "kept" : fileRow.hint);
            char share[16] = "-";
            if (limit > 0 && bytes >= 0 && !failed)
                std::snprintf(
                    share, sizeof share, "%.1f", 100.0 * static_cast<double>(bytes) / static_cast<double>(limit));
            const auto found = runs.find(source);
            const std::string output = program.OutputFolder() + "/" + clip.name + ".3gp";
            const double plays = bytes > 0 ? static_cast<double>(command_line::PlayingMilliseconds(output)) / 1000 : 0;
            const Runs ran = found == runs.end() ? Runs {} : found->second;
            std::printf("%-10s %-16s %6.0fs %10lld %7s %6.1fs %5d %6s  %s\n", clip.name, clip.what,
                clip.seconds * scale, failed ? -1LL : bytes, share, plays, ran.count, ran.audio.c_str(),
                outcome.c_str());
        }
        // Everything in the output folder must be within the limit.
        if (limit > 0)
            for (const auto& entry : std::filesystem::directory_iterator(program.OutputFolder()))
                if (FileSize(entry.path().string()) > limit)
                    std::printf("OVER THE LIMIT: %s\n", entry.path().c_str());
    }
    return 0;
}
