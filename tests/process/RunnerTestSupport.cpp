#include "process/RunnerTestSupport.h"

#include "base/PlainEventLoop.h"
#include "process/TJvCreateProcess.h"
#include "support/Command.h"
#include "support/TempDir.h"

#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <sstream>
#include <thread>
#include <unistd.h>

namespace ondrevo::testing {
namespace {

// The numbered entries of a /proc folder.
std::set<int> Entries(const char* folder)
{
    std::set<int> entries;
    DIR* dir = opendir(folder);
    if (!dir)
        return entries;
    while (dirent* entry = readdir(dir))
        if (entry->d_name[0] != '.')
            entries.insert(std::atoi(entry->d_name));
    closedir(dir);
    return entries;
}

// Fields of /proc/PID/stat after the command name: state, then the parent's pid.
bool ReadStat(const std::string& path, char& state, int& parent)
{
    // Plain read(): the process may be gone between open and read (ESRCH).
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    char buffer[1024];
    const ssize_t n = read(fd, buffer, sizeof buffer - 1);
    close(fd);
    if (n <= 0)
        return false;
    const std::string text(buffer, static_cast<std::size_t>(n));
    const auto nameEnd = text.rfind(')');
    if (nameEnd == std::string::npos)
        return false;
    std::istringstream rest(text.substr(nameEnd + 1));
    return static_cast<bool>(rest >> state >> parent);
}

} // namespace

std::string ChildPath()
{
    return std::string(ONDREVO_TEST_HELPER_DIR) + "/ondrevo_test_child";
}

std::vector<std::string> Child(std::vector<std::string> modeAndArguments)
{
    modeAndArguments.insert(modeAndArguments.begin(), ChildPath());
    return modeAndArguments;
}

std::vector<std::string> Wrapped(const std::vector<std::string>& command)
{
    // Not the last command of the script: the shell forks rather than executes it.
    std::vector<std::string> wrapper { "/bin/sh", "-c", "\"$@\"; exit $?", "wrapper" };
    wrapper.insert(wrapper.end(), command.begin(), command.end());
    return wrapper;
}

std::vector<std::string> Parent(std::vector<std::string> modeAndArguments, const std::vector<std::string>& child)
{
    modeAndArguments.insert(modeAndArguments.begin(), std::string(ONDREVO_TEST_HELPER_DIR) + "/ondrevo_test_parent");
    modeAndArguments.insert(modeAndArguments.end(), child.begin(), child.end());
    return modeAndArguments;
}

std::string PatternBytes(std::size_t n)
{
    std::string bytes(n, '\0');
    for (std::size_t i = 0; i < n; ++i)
        bytes[i] = i % 64 == 63 ? '\n' : static_cast<char>('a' + i % 26);
    return bytes;
}

std::string ReconstructText(const std::vector<Line>& lines)
{
    std::vector<std::string> completed;
    for (const auto& [text, startsOnNewLine] : lines) {
        if (startsOnNewLine || completed.empty())
            completed.push_back(text);
        else
            completed.back() = text;
    }
    std::string joined;
    for (std::size_t i = 0; i < completed.size(); ++i)
        joined += (i ? "\n" : "") + completed[i];
    return joined;
}

int OpenDescriptorCount()
{
    return static_cast<int>(Entries("/proc/self/fd").size()) - 1; // less the one listing them
}

bool NoNewThreads(const std::set<int>& before)
{
    const std::set<int> now = Entries("/proc/self/task");
    return std::includes(before.begin(), before.end(), now.begin(), now.end());
}

std::set<int> BaselineThreads()
{
    static const bool warmedUp = [] {
        std::thread([] {}).join();
        PlainEventLoop loop;
        TJvCreateProcess runner(loop);
        runner.SetConsoleOptions(coOwnerData | coRedirect);
        bool ended = false;
        runner.OnTerminate = [&](TJvCreateProcess&, std::uint32_t) { ended = true; };
        runner.SetCommandLine(Child({ "exit", "0" }));
        runner.Run();
        return loop.RunUntil([&] { return ended; });
    }();
    (void)warmedUp;
    return Entries("/proc/self/task");
}

namespace {

// Children of this process whose state letter is `only` (any state for 0).
int CountChildren(char only)
{
    DIR* dir = opendir("/proc");
    int count = 0;
    while (dirent* entry = readdir(dir)) {
        const int pid = std::atoi(entry->d_name);
        char state = 0;
        int parent = 0;
        if (pid > 0 && ReadStat("/proc/" + std::to_string(pid) + "/stat", state, parent) && parent == getpid()
            && (only == 0 || state == only))
            ++count;
    }
    closedir(dir);
    return count;
}

} // namespace

int ZombieChildCount()
{
    return CountChildren('Z');
}

int ChildCount()
{
    return CountChildren(0);
}

bool InputPipeFull(pid_t child)
{
    // The pipe itself, opened again through the child's descriptor; nothing is written.
    const int pipe = open(("/proc/" + std::to_string(child) + "/fd/0").c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (pipe < 0)
        return false;
    pollfd writable { pipe, POLLOUT, 0 };
    const bool full = poll(&writable, 1, 0) == 0;
    close(pipe);
    return full;
}

char ProcessState(int pid)
{
    char state = 0;
    int parent = 0;
    return ReadStat("/proc/" + std::to_string(pid) + "/stat", state, parent) ? state : 0;
}

bool Ended(int pid)
{
    const char state = ProcessState(pid);
    return state == 0 || state == 'Z' || state == 'X';
}

pid_t ChildOf(pid_t parent)
{
    const std::string path = "/proc/" + std::to_string(parent) + "/task/" + std::to_string(parent) + "/children";
    pid_t child = 0;
    WaitUntil([&] {
        std::ifstream(path) >> child;
        return child > 0;
    });
    return child;
}

std::string WaitForFile(const std::string& path)
{
    return WaitUntil([&] { return access(path.c_str(), F_OK) == 0; }) ? FileBytes(path) : "(missing)";
}

RecordingRunner::RecordingRunner(unsigned options)
{
    runner.SetConsoleOptions(options);
    const auto seen = [this] {
        if (std::this_thread::get_id() != loopThread)
            ++eventsOffLoopThread;
        if (!terminations.empty())
            ++eventsAfterTerminate;
    };
    runner.OnRead = [this, seen](TJvCreateProcess& sender, const std::string& line, bool startsOnNewLine) {
        seen();
        if (&sender == &runner)
            lines.emplace_back(line, startsOnNewLine);
    };
    runner.OnRawRead = [this, seen](TJvCreateProcess&, const std::string& piece) {
        seen();
        raw += piece;
    };
    runner.OnErrorRead = [this, seen](TJvCreateProcess&, const std::string& line, bool startsOnNewLine) {
        seen();
        errorLines.emplace_back(line, startsOnNewLine);
    };
    runner.OnErrorRawRead = [this, seen](TJvCreateProcess&, const std::string& piece) {
        seen();
        errorRaw += piece;
    };
    runner.OnTerminate = [this, seen](TJvCreateProcess&, std::uint32_t exitCode) {
        seen();
        terminations.push_back(exitCode);
    };
}

void RecordingRunner::Start(const std::vector<std::string>& arguments)
{
    runner.SetCommandLine(arguments);
    runner.Run();
}

bool RecordingRunner::WaitForEnd(std::chrono::milliseconds timeout)
{
    const bool ended = loop.RunUntil([this] { return !terminations.empty(); }, timeout);
    loop.Drain(std::chrono::milliseconds(20));
    return ended;
}

} // namespace ondrevo::testing
