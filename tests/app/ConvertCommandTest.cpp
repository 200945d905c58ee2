// ondrevo-convert, run as a user runs it, from a program folder of its own with the
// real encoder and the shipped settings: its exit statuses, outputs and lines.

#include "app/ConversionTestSupport.h"

#include "app/TFFmpegFunc.h"
#include "support/Command.h"
#include "support/DatabaseFiles.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace ondrevo::testing {
namespace {

// A shell's output without its last line break.
std::string Said(const std::string& command)
{
    std::string output = ShellOutput(command);
    while (!output.empty() && output.back() == '\n')
        output.pop_back();
    return output;
}

class ConvertCommand : public ::testing::Test {
protected:
    ConvertCommand()
    {
        std::filesystem::copy_file(ONDREVO_CONVERT, session.programFolder + "/ondrevo-convert");
        std::filesystem::permissions(session.programFolder + "/ondrevo-convert", std::filesystem::perms::owner_exec,
            std::filesystem::perm_options::add);
    }

    struct Run {
        int status = -1;
        std::string out, err;
    };
    // Runs the program in its folder with `arguments` (each quoted), standard input closed.
    Run Convert(const std::vector<std::string>& arguments)
    {
        // Its cache of the encoder's list in the test's folder, not the user's.
        std::string command = "cd " + ShellQuote(session.programFolder) + " && XDG_CACHE_HOME="
            + ShellQuote(dir.File("cache")) + " ./ondrevo-convert";
        for (const std::string& argument : arguments)
            command += " " + ShellQuote(argument);
        const std::string out = dir.File("out.txt"), err = dir.File("err.txt");
        Run run;
        run.status = std::stoi(
            ShellOutput(command + " < /dev/null > " + ShellQuote(out) + " 2> " + ShellQuote(err) + "; echo $?"));
        run.out = Read(out);
        run.err = Read(err);
        return run;
    }
    static std::string Read(const std::string& path)
    {
        std::ifstream file(path);
        std::stringstream text;
        text << file.rdbuf();
        return text.str();
    }
    static std::vector<std::string> Lines(const std::string& text)
    {
        std::vector<std::string> lines;
        std::istringstream in(text);
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }
    // The playing time ffprobe reads, in seconds; 0 for a file it cannot read.
    static double Plays(const std::string& path)
    {
        const std::string said
            = Said("ffprobe -v error -show_entries format=duration -of csv=p=0 " + ShellQuote(path) + " 2>/dev/null");
        return said.empty() ? 0 : std::atof(said.c_str());
    }

    TempDir dir;
    ErrorReports reports;
    ConversionSession session { dir };
};

TEST_F(ConvertCommand, ExitStatusesSayHowItWentAndAUsageErrorConvertsNothing)
{
    const std::string a = session.Clip("in/a.mp4", 1);
    const std::string b = session.Clip("in/b.mp4", 1);
    const std::string out = session.outputFolder;
    const struct {
        const char* what;
        std::vector<std::string> arguments;
        int status;
        std::string says; // in standard error, or standard output for --help and --list
    } cases[] = {
        { "help", { "--help" }, 0, "Usage: ondrevo-convert [OPTIONS] FILE|FOLDER..." },
        { "every label", { "--list" }, 0, "Existing output files: \"Replace\", \"Skip\", \"Keep both\"" },
        { "nothing to convert", {}, 2, "no file or folder to convert" },
        { "an unknown option", { "--fast", a }, 2, "unknown option --fast" },
        { "a relative output folder", { "-o", "FFOutput", a }, 2, "is no full path" },
        { "an output folder that is a file", { "-o", a, a }, 2, "is no folder" },
        { "an output folder under a file", { "-o", a + "/out", a }, 2, "cannot make the output folder" },
        { "a missing output folder, made", { "-o", out + "/new/er", a }, 0, "1 file converted" },
        { "a missing file", { "-o", out, dir.File("none.mp4") }, 2, "no such file or folder" },
        { "an unknown label", { "--set", "Colour=Red", a }, 2, "the labels are \"Video Codec\"" },
        { "an unknown entry", { "--set", "Video Codec=H.266", a }, 2,
            "Video Codec takes \"H.263\", \"MPEG-4 Visual\", \"H.264 Baseline\"" },
        { "an unknown preset", { "--preset", "Nokia 9999", a }, 2, "no preset \"Nokia 9999\"" },
        { "a damaged settings file", { "--settings", a, a }, 2, "cannot be read" },
        { "two files", { "-o", out, a, b }, 0, "2 files converted" },
        { "a folder, skipping what is there", { "--set", "Existing output files=Skip", dir.File("in") }, 0,
            "0 files converted, 2 skipped" },
        { "a file skipped, said once", { "--set", "Existing output files=Skip", a }, 0,
            "\nSkipped " + a + ": a.3gp already exists\n" },
    };
    for (const auto& c : cases) {
        const Run run = Convert(c.arguments);
        EXPECT_EQ(run.status, c.status) << c.what << "\n" << run.err;
        EXPECT_NE((run.status == 0 && run.err.empty() ? run.out : run.err + run.out).find(c.says), std::string::npos)
            << c.what << "\n"
            << run.err << run.out;
        if (std::string(c.what) == "a damaged settings file") {
            EXPECT_FALSE(std::filesystem::exists(session.Output("a.3gp"))) << c.what;
        }
    }
    EXPECT_GT(Plays(session.Output("a.3gp")), 0.5);
    EXPECT_GT(Plays(session.Output("b.3gp")), 0.5);

    // A file that is no video fails with its reason; the others are converted. A name
    // with a line break in it stays on its line.
    std::ofstream(dir.File("in/broken.mp4")) << "no video";
    std::filesystem::copy_file(a, dir.File("in/two\nlines.mp4"));
    const Run broken = Convert({ "--set", "Existing output files=Keep both", dir.File("in") });
    EXPECT_EQ(broken.status, 1) << broken.err;
    EXPECT_NE(broken.err.find("Failed " + dir.File("in/broken.mp4") + ": "), std::string::npos) << broken.err;
    EXPECT_NE(broken.err.find("3 files converted, 1 failed"), std::string::npos) << broken.err;
    EXPECT_NE(broken.err.find("\nConverted " + dir.File("in/two\\nlines.mp4") + "\n"), std::string::npos)
        << broken.err;
    EXPECT_GT(Plays(session.Output("two\nlines.3gp")), 0.5);
    std::filesystem::remove(dir.File("in/two\nlines.mp4"));
    // Lines, not a screen: no carriage return on a pipe.
    EXPECT_EQ(broken.err.find('\r'), std::string::npos);

    // Without an encoder nothing starts.
    std::filesystem::remove(session.programFolder + "/bin/ffmpeg");
    const Run noEncoder = Convert({ "--set", "Existing output files=Keep both", a });
    EXPECT_EQ(noEncoder.status, 2);
    EXPECT_NE(noEncoder.err.find("no encoder at"), std::string::npos) << noEncoder.err;
    EXPECT_FALSE(std::filesystem::exists(session.Output("a (3).3gp")));
}

// A setting of the window's that cannot be read stops the program before anything is
// converted: an earlier output the window's choice keeps is not replaced by a default.
TEST_F(ConvertCommand, ASettingThatCannotBeReadConvertsNothing)
{
    const std::string a = session.Clip("in/a.mp4", 1);
    std::ofstream(session.Output("a.3gp")) << "an earlier output";
    const std::string settings = dir.File("damaged.Dat");
    std::filesystem::copy_file(session.programFolder + "/LibFFmpeg.Dat", settings);
    for (const char* table : { "convert_existing", "convert_atonce", "keep_sourcedate", "convert_sizelimit" }) {
        ExecuteSql(settings,
            std::string("drop table if exists ") + table + "; create table " + table + " (x varchar(3) primary key)");
        const Run run = Convert({ "--settings", settings, a });
        EXPECT_EQ(run.status, 2) << table << "\n" << run.err;
        EXPECT_NE(run.err.find("cannot be read: no such column"), std::string::npos) << table << "\n" << run.err;
        EXPECT_EQ(Read(session.Output("a.3gp")), "an earlier output") << table;
        ExecuteSql(settings, std::string("drop table ") + table);
    }
    EXPECT_EQ(FolderNames(session.outputFolder), std::vector<std::string> { "a.3gp" });
}

TEST_F(ConvertCommand, TheSameListAndSettingsGiveTheWindowsCommandLinesByteForByte)
{
    session.Add(session.Clip("in/a.mp4", 0.5));
    session.Add(session.Clip("in/b c.mp4", 0.5));
    session.Selector(1).UserPick(0); // H.263
    session.Selector(3).UserPick(1);
    std::vector<std::string> window;
    for (int row = 0; row < 2; ++row) {
        std::string line;
        for (const std::string& argument : TFFmpegFunc().BuildCommandLine(row))
            line += (line.empty() ? "" : " ")
                + (argument.find(' ') == std::string::npos ? argument : "'" + argument + "'");
        window.push_back(line);
    }
    const Run run = Convert({ "--dry-run", "-o", session.outputFolder, dir.File("in") });
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(Lines(run.out), window);
    EXPECT_FALSE(std::filesystem::exists(session.Output("a.3gp")));
}

TEST_F(ConvertCommand, JsonLinesEachParseAndTellEachFilesStartEndAndTheBatchsEnd)
{
    session.Clip("in/a.mp4", 1);
    std::ofstream(dir.File("in/broken.mp4")) << "no video";
    const Run run = Convert({ "--json", "-o", session.outputFolder, dir.File("in") });
    EXPECT_EQ(run.status, 1) << run.err;
    std::ofstream(dir.File("lines.json")) << run.out;
    EXPECT_EQ(Said("python3 -c 'import json,sys\n"
                   "events=[json.loads(l)[\"event\"] for l in open(sys.argv[1])]\n"
                   "print(events[0], events.count(\"start\"), events.count(\"end\"), events[-1])' "
                  + ShellQuote(dir.File("lines.json"))),
        "start 2 2 batch-end");
    EXPECT_NE(run.out.find("\"outcome\":\"failed\",\"reason\":\"" + dir.File("in/broken.mp4")), std::string::npos)
        << run.out;
}

TEST_F(ConvertCommand, SigintKeepsThePartWrittenAndLeavesNoEncoder)
{
    session.EncodeUntilStopped();
    const std::string clip = session.Clip("in/a.mp4", 4);
    const std::string err = dir.File("err.txt");
    // Stopped once its encoder has written some seconds.
    const std::string status = Said("cd " + ShellQuote(session.programFolder) + " && XDG_CACHE_HOME="
        + ShellQuote(dir.File("cache")) + " ./ondrevo-convert -o "
        + ShellQuote(session.outputFolder) + " " + ShellQuote(clip) + " < /dev/null 2> " + ShellQuote(err)
        + " & p=$!; n=0; while ! grep -q Converting " + ShellQuote(err)
        + " && [ $n -lt 600 ]; do sleep 0.1; n=$((n+1)); done; sleep 3; kill -INT $p; wait $p; echo $?");
    EXPECT_EQ(status, "130") << Read(err);
    EXPECT_GT(Plays(session.Output("a.3gp")), 0.5) << Read(err);
    // The pattern's brackets keep the shell that runs pgrep from matching itself.
    EXPECT_EQ(Said("pgrep -f " + ShellQuote(session.programFolder + "/bi[n]/") + " || echo none"), "none");
}

TEST_F(ConvertCommand, GnuParallelSpreadsTwentyFilesOverTwoSlotsWithOneSettingsFile)
{
    std::string files;
    for (int n = 1; n <= 20; ++n)
        files += " " + ShellQuote(session.Clip("in/clip" + std::to_string(n) + ".mp4", 0.4));
    const std::string status
        = Said("cd " + ShellQuote(session.programFolder) + " && XDG_CACHE_HOME=" + ShellQuote(dir.File("cache"))
            + " parallel --will-cite -j2 " + "./ondrevo-convert -o "
            + ShellQuote(session.outputFolder) + " --settings " + ShellQuote(session.programFolder + "/LibFFmpeg.Dat")
            + " {} ::: " + files + " < /dev/null > /dev/null 2>&1; echo $?");
    EXPECT_EQ(status, "0");
    for (int n = 1; n <= 20; ++n)
        EXPECT_GT(Plays(session.Output("clip" + std::to_string(n) + ".3gp")), 0.2) << n;
}

} // namespace
} // namespace ondrevo::testing
