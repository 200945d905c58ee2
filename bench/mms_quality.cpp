// What a 295 KB message holds: ten clips converted at "295 KB (MMS)" with the shipped
// choices (MPEG-4 Visual, AAC-LC 64 kbit/s stereo), with the preset "MMS message, 300 KB"
// (H.263, AMR-NB 12.2 kbit/s) and by a plain two-pass encoder run aimed at the same size
// with the preset's codecs. For each: the output's bytes, and the picture's SSIM against
// the source scaled to 176x144 at 15 pictures a second (the clips are 11:9, so no bars).
//   build/bench/mms_quality [seconds scale]

#include "BatchProgram.h"

#include "conversion/Batch.h"

#include <sys/stat.h>

using namespace ondrevo;
using namespace ondrevo::bench;

namespace {

struct Clip {
    const char* name;
    double seconds;
    std::string source; // lavfi video source and filters
};

long long FileSize(const std::string& path)
{
    struct stat status { };
    return ::stat(path.c_str(), &status) == 0 ? static_cast<long long>(status.st_size) : -1;
}

// The standard output and error of a command, or "" when it cannot run.
std::string Output(const std::string& command)
{
    std::string text;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
            text.append(buffer, n);
        ::pclose(pipe);
    }
    return text;
}

std::string Quoted(const std::string& text)
{
    std::string quoted = "'";
    for (const char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// The picture's mean SSIM against the source at 176x144 and 15 pictures a second; -1
// when the encoder cannot tell.
double Ssim(const std::string& output, const std::string& source)
{
    const std::string log = Output("ffmpeg -nostdin -hide_banner -i " + Quoted(output) + " -i " + Quoted(source)
        + " -lavfi '[0:v]setpts=PTS-STARTPTS[a];[1:v]fps=15,scale=176:144,setpts=PTS-STARTPTS[b];[a][b]ssim'"
          " -f null - 2>&1");
    const std::size_t all = log.rfind("All:");
    return all == std::string::npos ? -1 : std::atof(log.c_str() + all + 4);
}

// Two passes of H.263 with AMR-NB at 12.2 kbit/s, the picture's bitrate filling 295 KB
// less the sound and 3 % for the container.
std::string TwoPassByHand(const std::string& source, double seconds, const std::string& output)
{
    const double bits = 295.0 * 1024 * 8 * 0.97 - 12800.0 * seconds;
    const std::string video = std::to_string(static_cast<long long>(bits / seconds));
    const std::string common = "ffmpeg -nostdin -hide_banner -loglevel error -y -i " + Quoted(source)
        + " -c:v h263 -b:v " + video + " -s 176x144 -r 15 -c:a libopencore_amrnb -b:a 12.2k -ac 1 -ar 8000"
          " -passlogfile "
        + Quoted(output + ".pass");
    Output(common + " -pass 1 -f 3gp /dev/null 2>&1");
    Output(common + " -pass 2 -f 3gp " + Quoted(output) + " 2>&1");
    return video;
}

void Convert(BatchProgram& program)
{
    testing::Session& session = *program.session;
    for (const auto& entry : std::filesystem::directory_iterator(program.OutputFolder()))
        std::filesystem::remove(entry.path());
    session.Event([](TFFmpegFrmHandlers& h) { h.ConvFileBtnClick(); });
    session.loop.RunUntil(
        [&] { return session.window.addFileBtn.enabled && !session.window.encoders.AnyBusy(); },
        std::chrono::hours(2));
}

} // namespace

int main(int argc, char** argv)
{
    const double scale = argc > 1 ? std::atof(argv[1]) : 1.0;
    const std::vector<Clip> clips = {
        { "moving12", 12, "testsrc2=size=352x288:rate=25" },
        { "moving20", 20, "testsrc2=size=352x288:rate=25" },
        { "moving30", 30, "testsrc2=size=352x288:rate=25" },
        { "noisy12", 12, "testsrc2=size=352x288:rate=25,noise=alls=20:allf=t" },
        { "noisy20", 20, "testsrc2=size=352x288:rate=25,noise=alls=12:allf=t" },
        { "scroll20", 20, "smptebars=size=352x288:rate=25,scroll=h=0.01" },
        { "mandel15", 15, "mandelbrot=size=352x288:rate=25" },
        { "life20", 20, "life=size=352x288:rate=25:mold=10:ratio=0.3,scale=352:288" },
        { "cells25", 25, "cellauto=size=352x288:rate=25:rule=110,scale=352:288" },
        { "still40", 40, "smptebars=size=352x288:rate=25" },
    };
    BatchProgram program;
    testing::Session& session = *program.session;
    testing::MemoryMainWindow& window = session.window;
    const std::string folder = program.dir.Path().string();
    std::filesystem::create_directories(folder + "/clips");
    std::filesystem::create_directories(folder + "/hand");
    for (const Clip& clip : clips) {
        const std::string path = folder + "/clips/" + clip.name + ".mp4";
        if (testing::RunCommand({ "ffmpeg", "-nostdin", "-loglevel", "error", "-y", "-f", "lavfi", "-i", clip.source,
                "-f", "lavfi", "-i", "sine=frequency=440:sample_rate=44100", "-t",
                std::to_string(clip.seconds * scale), "-c:v", "libx264", "-preset", "ultrafast", "-qp", "10",
                "-pix_fmt", "yuv420p", "-c:a", "aac", path })
            != 0)
            return 1;
        window.openDialog.answers.push_back(path);
        session.Event([](TFFmpegFrmHandlers& h) { h.AddFileBtnClick(); });
    }

    struct Result {
        long long bytes = -1;
        double ssim = -1;
    };
    std::vector<Result> today(clips.size()), preset(clips.size()), hand(clips.size());
    const auto measure = [&](std::vector<Result>& results) {
        for (std::size_t row = 0; row < clips.size(); ++row) {
            const std::string output = program.OutputFolder() + "/" + clips[row].name + ".3gp";
            const bool failed = window.fileList.rows[row].image == batch::kFailedImage;
            results[row].bytes = failed ? -1 : FileSize(output);
            if (results[row].bytes > 0)
                results[row].ssim = Ssim(output, folder + "/clips/" + clips[row].name + ".mp4");
            else
                std::printf("%s failed: %s\n", clips[row].name, window.fileList.rows[row].hint.c_str());
        }
    };

    // The shipped choices at 295 KB.
    window.sizeLimitCombo.UserType("295 KB (MMS)");
    Convert(program);
    measure(today);

    // The preset.
    const std::vector<std::string>& presets = window.madeForCombo.Items();
    const auto mms = std::find(presets.begin(), presets.end(), "MMS message, 300 KB");
    if (mms == presets.end()) {
        std::fprintf(stderr, "no preset \"MMS message, 300 KB\"\n");
        return 1;
    }
    window.madeForCombo.UserPick(static_cast<int>(mms - presets.begin()));
    Convert(program);
    measure(preset);

    std::printf("uptime: ");
    std::fflush(stdout);
    std::system("uptime");
    std::printf("%-9s %6s | %9s %6s | %9s %6s | %9s %6s %7s\n", "clip", "length", "today B", "SSIM", "preset B",
        "SSIM", "2-pass B", "SSIM", "b:v");
    double sums[3] = { 0, 0, 0 };
    for (std::size_t row = 0; row < clips.size(); ++row) {
        const Clip& clip = clips[row];
        const std::string output = folder + "/hand/" + clip.name + ".3gp";
        const std::string video
            = TwoPassByHand(folder + "/clips/" + clip.name + ".mp4", clip.seconds * scale, output);
        hand[row].bytes = FileSize(output);
        hand[row].ssim = hand[row].bytes > 0 ? Ssim(output, folder + "/clips/" + clip.name + ".mp4") : -1;
        sums[0] += today[row].ssim;
        sums[1] += preset[row].ssim;
        sums[2] += hand[row].ssim;
        std::printf("%-9s %5.0fs | %9lld %6.3f | %9lld %6.3f | %9lld %6.3f %7s\n", clip.name, clip.seconds * scale,
            today[row].bytes, today[row].ssim, preset[row].bytes, preset[row].ssim, hand[row].bytes, hand[row].ssim,
            video.c_str());
    }
    const double n = static_cast<double>(clips.size());
    std::printf("%-9s %6s | %9s %6.3f | %9s %6.3f | %9s %6.3f\n", "mean", "", "", sums[0] / n, "", sums[1] / n, "",
        sums[2] / n);
    std::printf("limit: %d bytes\n", 295 * 1024);
    return 0;
}
