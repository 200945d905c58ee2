#pragma once
// Shared pieces of the process runner's tests: a runner on a plain loop that records
// every event, the command lines of the test child and the test parent, and counters
// for descriptors, threads and zombie children of this process.

#include "base/PlainEventLoop.h"
#include "process/TJvCreateProcess.h"
#include "support/Command.h"

#include <chrono>
#include <cstdint>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace ondrevo::testing {

using Line = std::pair<std::string, bool>; // text, StartsOnNewLine

std::string ChildPath();
// The test child's command line: its path, then the mode and its arguments.
std::vector<std::string> Child(std::vector<std::string> modeAndArguments);
// A wrapper script around `command`, as a user's bin/ffmpeg may be: a shell that runs
// the command as its child and waits for it.
std::vector<std::string> Wrapped(const std::vector<std::string>& command);
// The test parent's command line (a program that runs a child through the runner): its
// path, its mode and arguments, then the child's command.
std::vector<std::string> Parent(std::vector<std::string> modeAndArguments, const std::vector<std::string>& child);

// The bytes the test child writes in mode "bytes N".
std::string PatternBytes(std::size_t n);
// The completed lines as a user would read them: each run of deliveries that starts
// with StartsOnNewLine true is one line, and its last delivery is its final text.
std::string ReconstructText(const std::vector<Line>& lines);

int OpenDescriptorCount();
// The threads once those that start lazily (a sanitizer's background thread, the spawner
// thread) are there: runs one thread and one child to its end first, which also starts
// the child that lives as long as this process (the group guard).
std::set<int> BaselineThreads();
// Whether every thread of this process now was there in `before`.
bool NoNewThreads(const std::set<int>& before);
int ZombieChildCount();
// Child processes of this process in any state, zombies included.
int ChildCount();
// Whether the input pipe of a child of ours is full: a writer waiting for room waits
// until the child reads.
bool InputPipeFull(pid_t child);
// State letter of a process from /proc (R, S, Z, ...), or 0 when it is gone.
char ProcessState(int pid);
// Whether the process has ended: gone, or a zombie nobody reaped (it is no child of ours).
bool Ended(int pid);
// The first child of `parent` once it has one (0 when none comes within the limit of
// WaitUntil): the program a wrapper runs.
pid_t ChildOf(pid_t parent);

// The file's whole content once it exists (the test child writes files whole), or
// "(missing)" when it does not appear within the limit of WaitUntil.
std::string WaitForFile(const std::string& path);

struct RecordingRunner {
    explicit RecordingRunner(unsigned options = coOwnerData | coRedirect);

    // Sets the command line and runs it.
    void Start(const std::vector<std::string>& arguments);
    // Runs the loop until OnTerminate came; then a short drain shows later events. Run
    // starts, then waits so.
    bool WaitForEnd(std::chrono::milliseconds timeout = std::chrono::seconds(20));
    bool Run(const std::vector<std::string>& arguments)
    {
        Start(arguments);
        return WaitForEnd();
    }

    PlainEventLoop loop;
    TJvCreateProcess runner { loop };
    std::vector<Line> lines, errorLines;
    std::string raw, errorRaw;
    std::vector<std::uint32_t> terminations;
    int eventsOffLoopThread = 0;
    int eventsAfterTerminate = 0;
    std::thread::id loopThread = std::this_thread::get_id();
};

} // namespace ondrevo::testing
