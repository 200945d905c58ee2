// A row's plan before anything is written: run, keep what is there, or refuse with the
// reason a user reads in the row's tooltip.

#include "conversion/JobPlan.h"
#include "conversion/Batch.h"
#include "support/TempDir.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace ondrevo::testing {
namespace {

TEST(JobPlan, ARowRunsUnlessItCannotOrItsWholeOutputIsKept)
{
    TempDir dir;
    const std::string source = dir.File("a.mp4");
    std::ofstream(source) << "video";
    const std::string output = dir.File("a.3gp");
    std::ofstream(dir.File("cut.3gp")) << "not a whole 3gp";
    std::filesystem::create_directories(dir.File("folder.mp4"));
    std::filesystem::create_directories(dir.File("taken.3gp"));
    ASSERT_EQ(::mkfifo(dir.File("pipe.mp4").c_str(), 0600), 0);
    using K = JobPlan::Kind;
    const struct {
        const char* what;
        JobPlanInput input;
        JobPlan plan;
    } cases[] = {
        { "nothing in the way", { source, false, ExistingOutputs::Replace, {}, output }, { K::Run, "" } },
        { "an encoder unfit for the choices",
            { source, false, ExistingOutputs::Replace, {}, output, 0, "This ffmpeg has no encoder libx264" },
            { K::Refuse, "This ffmpeg has no encoder libx264", true } },
        { "a folder for a source", { dir.File("folder.mp4"), false, ExistingOutputs::Replace, {}, output },
            { K::Refuse, "Not converted: " + dir.File("folder.mp4") + " is a folder, not a file" } },
        { "a named pipe for a source", { dir.File("pipe.mp4"), false, ExistingOutputs::Replace, {}, output },
            { K::Refuse, "Not converted: " + dir.File("pipe.mp4") + " is a named pipe, not a file" } },
        { "the output is the source", { source, false, ExistingOutputs::Replace, {}, source },
            { K::Refuse, batch::kOutputIsSourceHint } },
        { "a folder under the output's name", { source, false, ExistingOutputs::Replace, {}, dir.File("taken.3gp") },
            { K::Refuse, dir.File("taken.3gp") + ": Is a directory" } },
        { "Skip, nothing there yet", { source, false, ExistingOutputs::Skip, {}, output }, { K::Run, "" } },
        { "Skip, a cut file there", { source, false, ExistingOutputs::Skip, {}, dir.File("cut.3gp"), 1000 },
            { K::Run, "" } },
        { "Keep both, a file there", { source, false, ExistingOutputs::KeepBoth, {}, dir.File("cut.3gp") },
            { K::Run, "" } },
    };
    for (const auto& c : cases)
        EXPECT_EQ(PlanJob(c.input), c.plan) << c.what;
}

} // namespace
} // namespace ondrevo::testing
