// What a child writes and how it arrives: the terminal line rules, byte-exact output of
// every size around the piece and buffer limits, the separate error pipe, and what the
// child receives (arguments, environment, working directory).

#include "process/RunnerTestSupport.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <sys/resource.h>

namespace ondrevo::testing {
namespace {

TEST(RunnerLines, ControlBytesActAsOnATerminalAndLineFeedDelivers)
{
    // Each input in one piece: the line as it stands at each LF, then the empty line that
    // is current when the piece ends.
    const std::pair<const char*, std::vector<std::string>> table[] = {
        { "abc\\rxy\\n", { "xyc" } }, // CR overwrites
        { "one\\ntwo\\n", { "one", "two" } }, { "a\\tb\\n", { "a        b" } },
        // BS at column 0 stays at 0; BS elsewhere moves back without erasing.
        { "\\b\\bx\\n", { "x" } }, { "abc\\b\\bX\\n", { "aXc" } }, { "ab\\b\\b\\bX\\n", { "Xb" } }, // 2 -> 1 -> 0 -> 0
        { "a\\0b\\ac\\n", { "a b c" } }, // NUL and BEL show as spaces
        { "\xc3\xa9t\xc3\xa9\\n", { "\xc3\xa9t\xc3\xa9" } }, // bytes above 127 pass unchanged
    };
    for (const auto& [text, lines] : table) {
        SCOPED_TRACE(text);
        RecordingRunner recording;
        ASSERT_TRUE(recording.Run(Child({ "print", text })));
        std::vector<Line> expected;
        for (const std::string& line : lines)
            expected.emplace_back(line, true);
        expected.emplace_back("", true);
        EXPECT_EQ(recording.lines, expected);
        EXPECT_EQ(recording.terminations.size(), 1u);
    }
}

TEST(RunnerLines, OutputWithoutFinalNewlineIsDeliveredAgainAtTheEnd)
{
    RecordingRunner recording;
    ASSERT_TRUE(recording.Run(Child({ "print", "done\\nlast" })));
    EXPECT_EQ(recording.lines, (std::vector<Line> { { "done", true }, { "last", true }, { "last", false } }));
    EXPECT_EQ(recording.terminations, std::vector<std::uint32_t> { 0 });
    EXPECT_EQ(recording.eventsAfterTerminate, 0);
    EXPECT_EQ(recording.eventsOffLoopThread, 0);
}

TEST(RunnerLines, ProgressRewrittenWithCarriageReturns)
{
    // Separate writes usually arrive as separate pieces; the assertions hold however
    // they are cut.
    RecordingRunner recording;
    recording.Start(
        Child({ "pieces", "40", "frame=  1 time=00:00:01\\r", "frame= 22 time=00:00:02\\r", "frame=3\\r" }));
    ASSERT_TRUE(recording.WaitForEnd());
    ASSERT_GE(recording.lines.size(), 2u);
    EXPECT_TRUE(recording.lines.front().second);
    for (std::size_t i = 1; i < recording.lines.size(); ++i)
        EXPECT_FALSE(recording.lines[i].second) << i;
    for (const auto& [text, startsOnNewLine] : recording.lines)
        EXPECT_TRUE(
            text == "frame=  1 time=00:00:01" || text == "frame= 22 time=00:00:02" || text == "frame=322 time=00:00:02")
            << text;
    // The last progress text overwrote the start of the previous one, and the line
    // (not empty) was delivered once more at the end.
    EXPECT_EQ(recording.lines.back(), Line("frame=322 time=00:00:02", false));
    EXPECT_EQ(recording.terminations.size(), 1u);
}

TEST(RunnerOutput, EveryByteArrivesInOrderBeforeOneTerminate)
{
    for (const std::size_t n : { 0u, 1u, 1023u, 1024u, 1025u, 65536u, 1u << 20 }) {
        SCOPED_TRACE(n);
        RecordingRunner recording;
        int piecesOverLimit = 0;
        const auto recordRaw = recording.runner.OnRawRead;
        recording.runner.OnRawRead = [&](TJvCreateProcess& sender, const std::string& piece) {
            piecesOverLimit += piece.size() > 1024;
            recordRaw(sender, piece);
        };
        ASSERT_TRUE(recording.Run(Child({ "bytes", std::to_string(n) })));
        const std::string expected = PatternBytes(n);
        EXPECT_EQ(recording.raw.size(), n);
        EXPECT_TRUE(recording.raw == expected);
        EXPECT_EQ(piecesOverLimit, 0);
        EXPECT_TRUE(ReconstructText(recording.lines) == expected);
        EXPECT_EQ(recording.terminations, std::vector<std::uint32_t> { 0 });
        EXPECT_EQ(recording.eventsAfterTerminate, 0);
    }
}

TEST(RunnerOutput, StalledLoopKeepsOnlyTheNewestBufferedOutput)
{
    // The loop does not run while the child writes 1 MiB: the reader keeps at most
    // 131072 bytes, dropping older ones, and goes on reading so the child is not blocked.
    const std::set<int> threadsBefore = BaselineThreads();
    RecordingRunner recording;
    recording.Start(Child({ "bytes", std::to_string(1 << 20) }));
    // Its reader ends once the child has ended and every byte it wrote has been read.
    ASSERT_TRUE(WaitUntil([&] { return NoNewThreads(threadsBefore); }));
    ASSERT_TRUE(recording.WaitForEnd());
    const std::string expected = PatternBytes(1 << 20);
    ASSERT_GT(recording.raw.size(), 0u);
    EXPECT_LE(recording.raw.size(), 131072u);
    EXPECT_TRUE(expected.compare(expected.size() - recording.raw.size(), recording.raw.size(), recording.raw) == 0);
    EXPECT_EQ(recording.terminations, std::vector<std::uint32_t> { 0 });
}

TEST(RunnerOutput, StandardErrorMergedOrSeparate)
{
    {
        RecordingRunner merged;
        ASSERT_TRUE(merged.Run(Child({ "print-err", "out\\n", "err\\n" })));
        EXPECT_EQ(merged.raw, "out\nerr\n");
        EXPECT_EQ(ReconstructText(merged.lines), "out\nerr\n");
        EXPECT_TRUE(merged.errorLines.empty());
    }
    RecordingRunner separate(coOwnerData | coRedirect | coSeparateError);
    ASSERT_TRUE(separate.Run(Child({ "print-err", "out\\n", "err\\rERR" })));
    EXPECT_EQ(separate.raw, "out\n");
    EXPECT_EQ(separate.lines, (std::vector<Line> { { "out", true }, { "", true } }));
    EXPECT_EQ(separate.errorRaw, "err\rERR");
    EXPECT_EQ(separate.errorLines, (std::vector<Line> { { "ERR", true }, { "ERR", false } }));
    EXPECT_EQ(separate.terminations.size(), 1u);
    EXPECT_EQ(separate.eventsAfterTerminate, 0);
}

TEST(RunnerOutput, LinesKeptInConsoleOutputWithoutOwnerData)
{
    RecordingRunner recording(coRedirect);
    ASSERT_TRUE(recording.Run(Child({ "print", "one\\ntwo\\rTWO" })));
    EXPECT_EQ(recording.runner.ConsoleOutput(), (std::vector<std::string> { "one", "TWO" }));

    RecordingRunner ownerData;
    ASSERT_TRUE(ownerData.Run(Child({ "print", "one\\n" })));
    EXPECT_TRUE(ownerData.runner.ConsoleOutput().empty());
}

TEST(RunnerChild, ArgumentsArriveWhole)
{
    const std::vector<std::string> arguments = { "with space", "it's \"quoted\"",
        "\xc3\x9c"
        "TF-8 \xe2\x9c\x93",
        "", "$HOME;*|>x", "  padded  " };
    RecordingRunner recording;
    std::vector<std::string> modeAndArguments = { "args" };
    modeAndArguments.insert(modeAndArguments.end(), arguments.begin(), arguments.end());
    ASSERT_TRUE(recording.Run(Child(modeAndArguments)));
    std::string expected;
    for (const auto& argument : arguments)
        expected += argument + '\0';
    EXPECT_EQ(recording.raw, expected);
    EXPECT_EQ(recording.runner.CommandLine(),
        ChildPath()
            + " args 'with space' 'it'\\''s \"quoted\"' "
              "'\xc3\x9c"
              "TF-8 \xe2\x9c\x93' '' $HOME;*|>x '  padded  '");
}

TEST(RunnerChild, ProgramFoundOnPath)
{
    RecordingRunner recording;
    ASSERT_TRUE(recording.Run({ "sh", "-c", "echo found" }));
    EXPECT_EQ(recording.raw, "found\n");
}

TEST(RunnerChild, EnvironmentAndWorkingDirectory)
{
    TempDir temp;
    const auto folder = temp.Path() / "work dir \xc3\xa9";
    std::filesystem::create_directory(folder);

    RecordingRunner given;
    given.runner.SetEnvironment({ "ALPHA=1", "BETA=two words", "", "GAMMA=\xc3\xa9" });
    given.runner.SetCurrentDirectory("  " + folder.string() + " ");
    ASSERT_TRUE(given.Run(Child({ "environ" })));
    EXPECT_EQ(given.raw, "ALPHA=1\nBETA=two words\nGAMMA=\xc3\xa9\n");

    given.raw.clear();
    given.terminations.clear();
    ASSERT_TRUE(given.Run(Child({ "pwd" })));
    EXPECT_EQ(given.raw, std::filesystem::canonical(folder).string() + "\n");

    // Without settings the child has our environment and our working directory.
    setenv("ONDREVO_RUNNER_TEST", "inherited", 1);
    RecordingRunner inherited;
    ASSERT_TRUE(inherited.Run(Child({ "environ" })));
    EXPECT_NE(inherited.raw.find("ONDREVO_RUNNER_TEST=inherited\n"), std::string::npos);
    inherited.raw.clear();
    inherited.terminations.clear();
    ASSERT_TRUE(inherited.Run(Child({ "pwd" })));
    EXPECT_EQ(inherited.raw, std::filesystem::current_path().string() + "\n");
    unsetenv("ONDREVO_RUNNER_TEST");
}

TEST(RunnerChild, IdlePriorityLowersTheNiceValue)
{
    const int ours = getpriority(PRIO_PROCESS, 0);
    for (const auto& [priority, expected] :
        { std::pair { TJvProcessPriority::ppIdle, 19 }, std::pair { TJvProcessPriority::ppNormal, ours } }) {
        RecordingRunner recording;
        recording.runner.SetPriority(priority);
        recording.Start(Child({ "sleep", "600000" }));
        errno = 0;
        EXPECT_EQ(getpriority(PRIO_PROCESS, static_cast<id_t>(recording.runner.ProcessId())), expected);
        kill(recording.runner.ProcessId(), SIGKILL);
        ASSERT_TRUE(recording.WaitForEnd());
    }
}

TEST(RunnerChild, CleanSignalStateAndOnlyStandardDescriptors)
{
    // Blocked and ignored signals of ours do not reach the child.
    sigset_t usr1, previous;
    sigemptyset(&usr1);
    sigaddset(&usr1, SIGUSR1);
    pthread_sigmask(SIG_BLOCK, &usr1, &previous);
    RecordingRunner recording;
    recording.Start(Child({ "sigstate" }));
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    ASSERT_TRUE(recording.WaitForEnd());
    EXPECT_EQ(recording.raw, "blocked=0 sigpipe=default\n");

    RecordingRunner descriptors;
    ASSERT_TRUE(descriptors.Run(Child({ "fds" })));
    EXPECT_EQ(descriptors.raw, "fds=0 1 2\n");
}

} // namespace
} // namespace ondrevo::testing
