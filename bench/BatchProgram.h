#pragma once
// Shared pieces of the batch and file-list benchmarks: a started program on the tests'
// in-memory window (a program folder of its own in a temporary folder, bin/ffmpeg the
// real encoder, the shipped database, FFOutput beside it), generated clips, and the
// process's clocks and memory as the kernel counts them.

#include "app/TFFmpegFrmHandlers.h"
#include "app/TFFmpegFunc.h"
#include "base/CharacterType.h"
#include "base/ProgramFolder.h"
#include "support/Clip.h"
#include "support/Command.h"
#include "support/DatabaseFiles.h"
#include "support/MemoryControls.h"
#include "support/TempDir.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <malloc.h>
#include <sys/resource.h>
#include <time.h>

namespace ondrevo::bench {

using Clock = std::chrono::steady_clock;

inline double Seconds(Clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

inline double Milliseconds(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

inline double TimevalSeconds(const timeval& t)
{
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
}

// User plus system time of every child this process has waited for (the encoders, and
// xargs with the encoders it waited for).
inline double ChildrenCpuSeconds()
{
    rusage usage {};
    getrusage(RUSAGE_CHILDREN, &usage);
    return TimevalSeconds(usage.ru_utime) + TimevalSeconds(usage.ru_stime);
}

// User plus system time of this process, all its threads, without its children.
inline double OwnCpuSeconds()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return TimevalSeconds(usage.ru_utime) + TimevalSeconds(usage.ru_stime);
}

// CPU time of the calling thread alone.
inline double ThreadCpuSeconds()
{
    timespec t {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// Resident and proportional set size of this process in MB, from /proc/self/smaps_rollup,
// and the bytes malloc has handed out and not had back (its free pages not counted).
struct Memory {
    double rssMb = 0;
    double pssMb = 0;
    double heapMb = 0;
};

inline Memory MemoryNow()
{
    Memory memory;
    std::ifstream rollup("/proc/self/smaps_rollup");
    std::string key;
    long long kb = 0;
    while (rollup >> key) {
        if (key == "Rss:" && rollup >> kb)
            memory.rssMb = static_cast<double>(kb) / 1024;
        else if (key == "Pss:" && rollup >> kb)
            memory.pssMb = static_cast<double>(kb) / 1024;
        rollup.ignore(1 << 20, '\n');
    }
    const struct mallinfo2 heap = mallinfo2();
    memory.heapMb = static_cast<double>(heap.uordblks + heap.hblkhd) / (1024 * 1024);
    return memory;
}

// Makes a clip with the encoder's test sources; false when the encoder fails.
inline bool MakeClip(const std::string& path, double seconds, const std::string& size, bool h264)
{
    const std::string duration = std::to_string(seconds);
    std::vector<std::string> command = { "ffmpeg", "-nostdin", "-hide_banner", "-loglevel", "error", "-y", "-f",
        "lavfi", "-i", "testsrc2=size=" + size + ":rate=25:duration=" + duration, "-f", "lavfi", "-i",
        "sine=frequency=440:sample_rate=44100:duration=" + duration };
    if (h264)
        command.insert(command.end(), { "-c:v", "libx264", "-preset", "veryfast", "-c:a", "aac" });
    command.push_back(path);
    if (testing::RunCommand(command) == 0)
        return true;
    std::fprintf(stderr, "ffmpeg could not make %s\n", path.c_str());
    return false;
}

// The program after start-up in a temporary folder, driven through the in-memory window.
class BatchProgram {
public:
    BatchProgram()
        : program_(PrepareFolder(dir))
        , session(std::make_unique<testing::Session>((program_ / "LibFFmpeg.Dat").string()))
    {
        EnsureUtf8CharacterType();
        session->Show();
    }
    ~BatchProgram()
    {
        session.reset();
        SetProgramFolderForTesting("");
    }
    BatchProgram(const BatchProgram&) = delete;
    BatchProgram& operator=(const BatchProgram&) = delete;

    std::string OutputFolder() const { return (program_ / "FFOutput").string(); }

    // The encoder argument lists the batch builds for its first `rows` rows, taken through
    // the controller without starting a job.
    std::vector<std::vector<std::string>> RowCommandLines(int rows)
    {
        std::vector<std::vector<std::string>> commands;
        for (int n = 0; n < rows; ++n)
            commands.push_back(TFFmpegFunc().BuildCommandLine(n));
        return commands;
    }

    testing::TempDir dir;

private:
    static std::filesystem::path PrepareFolder(const testing::TempDir& dir)
    {
        const std::filesystem::path program = dir.Path() / "program";
        std::filesystem::create_directories(program / "bin");
        std::filesystem::create_directories(program / "FFOutput");
        std::filesystem::create_symlink("/usr/bin/ffmpeg", program / "bin" / "ffmpeg");
        testing::CopyShippedDatabase((program / "LibFFmpeg.Dat").string());
        SetProgramFolderForTesting(program.string());
        return program;
    }

    std::filesystem::path program_;

public:
    std::unique_ptr<testing::Session> session;
};

} // namespace ondrevo::bench
