// "Width Ratio": "Fit with black bars" and "Fill (crop)" keep the shape the source is shown
// in, whatever its frame, pixel aspect or rotation; the older entries keep their
// command lines, and a database made before the two entries offers them all the same.

#include "app/ConversionTestSupport.h"

#include "app/TFFmpegFunc.h"
#include "conversion/CommandLine.h"
#include "parameters/WidthRatio.h"
#include "support/Command.h"
#include "support/DatabaseFiles.h"

#include <cmath>
#include <gtest/gtest.h>
#include <regex>

namespace ondrevo::testing {
namespace {

constexpr int kFit = 4;
constexpr int kFill = 5;
constexpr int kQcif = 1;
constexpr int kCif = 2;

// A black 1 s clip of `size` with a bright square of `side` display pixels in its middle
// on a dark grey picture: the square shows the picture's shape, the grey its extent.
// `storageWidth` is the square's width in stored pixels (other than `side` for pixels
// that are not square); `options` are the encoder's output options. A `turned` clip is
// stored on its side and shown turned by 90 degrees.
std::string ShapeClip(ConversionSession& session, const std::string& name, const std::string& size, int side,
    int storageWidth, const std::string& options = "", bool turned = false)
{
    const std::string path = (session.testFolder / name).string();
    const std::string source = "color=c=0x505050:s=" + size + ":r=25:d=1,drawbox=x=(iw-" + std::to_string(storageWidth)
        + ")/2:y=(ih-" + std::to_string(side) + ")/2:w=" + std::to_string(storageWidth) + ":h=" + std::to_string(side)
        + ":color=0xe0e0e0:t=fill";
    const std::string command = "ffmpeg -nostdin -v error -y -f lavfi -i " + ShellQuote(source)
        + " -c:v libx264 -preset ultrafast -pix_fmt yuv420p " + options + " " + ShellQuote(path);
    EXPECT_EQ(Shell(command), 0) << command;
    if (turned) {
        // Only a stream copy keeps the rotation (as a display matrix) that a phone records.
        const std::string copy = ShellQuote(path + ".mp4");
        EXPECT_EQ(Shell("ffmpeg -nostdin -v error -y -i " + ShellQuote(path) + " -c copy -metadata:s:v rotate=90 "
                      + copy + " && mv " + copy + " " + ShellQuote(path)),
            0);
    }
    return path;
}

struct Box {
    int x = 0; // the first column and line inside the box
    int y = 0;
    int width = 0;
    int height = 0;
};

// How far the box's middle lies from the middle of a frame of `frameWidth` x
// `frameHeight`, across and down, in half pixels.
std::pair<int, int> OffMiddle(const Box& box, int frameWidth, int frameHeight)
{
    return { std::abs(2 * box.x + box.width - frameWidth), std::abs(2 * box.y + box.height - frameHeight) };
}

// The box around the picture's parts brighter than `limit` (0..255), over the whole file.
// The crop detector judges whole lines by their mean, so the picture is made black and
// white at `limit` first.
Box BrightBox(const std::string& path, int limit)
{
    const std::string filter
        = "lutyuv=y='if(gt(val," + std::to_string(limit) + "),255,16)',cropdetect=limit=20:round=1:reset=0";
    const std::string log = ShellOutput(
        "ffmpeg -nostdin -hide_banner -i " + ShellQuote(path) + " -vf " + ShellQuote(filter) + " -f null - 2>&1");
    static const std::regex line("x1:(\\d+) x2:(\\d+) y1:(\\d+) y2:(\\d+)");
    Box box;
    for (std::sregex_iterator it(log.begin(), log.end(), line), end; it != end; ++it)
        box = { std::stoi((*it)[1]), std::stoi((*it)[3]), std::stoi((*it)[2]) - std::stoi((*it)[1]) + 1,
            std::stoi((*it)[4]) - std::stoi((*it)[3]) + 1 };
    return box;
}

std::string FrameAndPixels(const std::string& path)
{
    return ShellOutput(
        "ffprobe -v error -select_streams v -of csv=p=0 -show_entries stream=width,height,sample_aspect_ratio "
        + ShellQuote(path));
}

class PictureShape : public ::testing::Test {
protected:
    TempDir dir;
    ErrorReports reports;
};

TEST_F(PictureShape, FitAndFillKeepTheShapeTheSourceIsShownIn)
{
    ConversionSession session(dir);
    // 16:9 and 4:3 frames, an upright phone recording, the same recording stored on its side
    // with a rotation to show it upright, and a PAL frame with wide pixels (shown 1024x576).
    struct Source {
        const char* what;
        std::string path;
        double displayWidth, displayHeight, square;
    };
    const Source sources[] = {
        { "16:9", ShapeClip(session, "wide.mp4", "1280x720", 360, 360), 1280, 720, 360 },
        { "4:3", ShapeClip(session, "four.mp4", "640x480", 240, 240), 640, 480, 240 },
        { "portrait", ShapeClip(session, "tall.mp4", "720x1280", 360, 360), 720, 1280, 360 },
        { "rotated", ShapeClip(session, "turned.mp4", "1280x720", 360, 360, "", true), 720, 1280, 360 },
        { "wide pixels", ShapeClip(session, "pal.mp4", "720x576", 288, 202, "-vf setsar=64/45"), 1024, 576, 288 },
    };
    struct Frame {
        int entry;
        int width, height;
    };
    const Frame frames[] = { { kQcif, 176, 144 }, { kCif, 352, 288 } };
    for (const int ratio : { kFit, kFill }) {
        for (const Frame& frame : frames) {
            session.Selector(5).UserPick(ratio);
            session.Selector(3).UserPick(frame.entry);
            session.Event([](TFFmpegFrmHandlers& h) { h.ClearFileBtnClick(); });
            for (const Source& source : sources)
                session.Add(source.path);
            session.Convert();
            ASSERT_TRUE(session.WaitUntilIdle());
            for (int row = 0; row < 5; ++row) {
                const Source& source = sources[row];
                const std::string where = std::string(ratio == kFit ? "fit " : "fill ") + source.what + " into "
                    + std::to_string(frame.width) + "x" + std::to_string(frame.height);
                const std::string output = session.Output(command_line::BaseName(source.path) + ".3gp");
                ASSERT_EQ(session.Hint(row), "") << where;
                EXPECT_EQ(
                    FrameAndPixels(output), std::to_string(frame.width) + "," + std::to_string(frame.height) + ",1:1\n")
                    << where;
                // Fit scales the whole picture into the frame, fill covers the frame with it.
                const double scale = ratio == kFit
                    ? std::min(frame.width / source.displayWidth, frame.height / source.displayHeight)
                    : std::max(frame.width / source.displayWidth, frame.height / source.displayHeight);
                const Box picture = BrightBox(output, 40);
                EXPECT_NEAR(picture.width, std::min<double>(frame.width, source.displayWidth * scale), 2) << where;
                EXPECT_NEAR(picture.height, std::min<double>(frame.height, source.displayHeight * scale), 2) << where;
                const Box square = BrightBox(output, 150);
                EXPECT_NEAR(square.width, source.square * scale, 2) << where;
                EXPECT_NEAR(square.height, source.square * scale, 2) << where;
                // Both sit in the middle: the bars, and what is cut off, are alike on both
                // sides. An odd width lies up to 2 pixels off, the position of a picture in
                // the frame being even for its colour planes.
                for (const Box& box : { picture, square }) {
                    const auto [across, down] = OffMiddle(box, frame.width, frame.height);
                    EXPECT_LE(across, 5) << where << ": at " << box.x << "," << box.y;
                    EXPECT_LE(down, 5) << where << ": at " << box.x << "," << box.y;
                }
            }
        }
    }
    EXPECT_TRUE(reports.messages.empty()) << reports.messages.front();
}

TEST_F(PictureShape, TheOlderEntriesKeepTheirCommandLinesAndTheShapesTakeTheChosenSize)
{
    ConversionSession session(dir);
    session.Add(session.Clip("a.mp4", 0.2));
    const std::vector<std::string> autoLine = { session.programFolder + "/bin/ffmpeg", "-y", "-i",
        session.testFolder / "a.mp4", "-c:v", "mpeg4", "-pix_fmt", "yuv420p", "-b:v", "256k", "-s", "176x144", "-r",
        "15", "-level", "3", "-maxrate", "384000", "-bufsize", "655360", "-c:a", "aac", "-b:a", "64k", "-ac", "2",
        "-ar", "44100", "-f", "3gp", session.Output("a.3gp") };
    // What the line holds between the frame rate and the picture's level (or the audio
    // codec, without "-s").
    struct Row {
        int ratio;
        std::string size; // an entry's name, or a typed text matching none
        std::string arguments;
    } const rows[] = {
        { 0, "176x144 (QCIF)", "" },
        { 2, "352x288 (CIF)", "-aspect 16:9" },
        { kFit, "176x144 (QCIF)",
            "-vf "
            "scale=w='max(2,min(176,round(144*dar)))':h='max(2,min(144,round(176/dar)))',setsar=1,pad=176:144:-1:-1" },
        { kFill, "1408x1152 (16CIF)",
            "-vf scale=w='max(1408,round(1152*dar))':h='max(1152,round(1408/dar))',setsar=1,crop=1408:1152" },
        // No size to shape for: the source's own size and shape stay.
        { kFit, "100x100", "" },
    };
    for (const Row& row : rows) {
        session.Selector(5).UserPick(row.ratio);
        session.Selector(3).UserType(row.size);
        std::vector<std::string> line = TFFmpegFunc().BuildCommandLine(0);
        const auto rate = std::find(line.begin(), line.end(), "-r") + 2;
        const auto audio
            = std::find_if(rate, line.end(), [](const std::string& a) { return a == "-level" || a == "-c:a"; });
        std::string between;
        for (auto it = rate; it < audio; ++it)
            between += (it == rate ? "" : " ") + *it;
        EXPECT_EQ(between, row.arguments) << row.ratio << " " << row.size;
        if (row.ratio == 0) {
            EXPECT_EQ(line, autoLine);
        }
        if (row.size == "100x100") {
            EXPECT_EQ(std::count(line.begin(), line.end(), "-s"), 0);
        }
    }
    EXPECT_TRUE(reports.messages.empty()) << reports.messages.front();
}

TEST_F(PictureShape, ADatabaseMadeBeforeTheShapeEntriesOffersThemAfterItsOwn)
{
    const std::vector<std::string> four = { "Auto", "4:3", "16:9", "11:9" };
    const auto plus = [](std::vector<std::string> entries, std::vector<std::string> more) {
        entries.insert(entries.end(), more.begin(), more.end());
        return entries;
    };
    struct Row {
        const char* what;
        const char* change;
        std::vector<std::string> entries;
        std::string rowsInFile;
    } rows[] = {
        { "the shipped catalogue", "", plus(four, { "Fit with black bars", "Fill (crop)" }), "6" },
        { "a catalogue of four", "delete from cmbex_vdoaspect where cmbex_index > 3",
            plus(four, { "Fit with black bars", "Fill (crop)" }), "4" },
        { "an entry of the user's own in fifth place",
            "delete from cmbex_vdoaspect where cmbex_index > 3; insert into cmbex_vdoaspect values (4, '2.35:1', "
            "'-aspect 2.35')",
            plus(four, { "2.35:1", "Fit with black bars", "Fill (crop)" }), "5" },
    };
    for (const Row& row : rows) {
        TempDir folder;
        const auto prepare = [&](const std::string& database) {
            if (*row.change)
                ExecuteSql(database, row.change);
        };
        std::string database;
        const int fit = static_cast<int>(row.entries.size()) - 2;
        {
            ConversionSession session(folder, prepare);
            database = session.programFolder + "/LibFFmpeg.Dat";
            EXPECT_EQ(session.Selector(5).Items(), row.entries) << row.what;
            session.Selector(5).UserPick(fit);
            EXPECT_EQ(session.Fragment(5), width_ratio::kShapeEntries[0].fragment) << row.what;
            if (fit == 5) {
                session.Selector(5).UserPick(4);
                EXPECT_EQ(session.Fragment(5), "-aspect 2.35") << row.what;
            }
            session.Selector(5).UserPick(fit + 1);
            EXPECT_EQ(session.Fragment(5), width_ratio::kShapeEntries[1].fragment) << row.what;
        }
        // Nothing was added to the file; the choice is kept and comes back.
        EXPECT_EQ(QueryValue(database, "select count(*) from cmbex_vdoaspect"), row.rowsInFile) << row.what;
        Session again(database);
        again.Show();
        EXPECT_EQ(again.Selector(5).ItemIndex(), fit + 1) << row.what;
        EXPECT_EQ(again.Selector(5).Text(), "Fill (crop)") << row.what;
    }
    EXPECT_TRUE(reports.messages.empty()) << reports.messages.front();
}

} // namespace
} // namespace ondrevo::testing
