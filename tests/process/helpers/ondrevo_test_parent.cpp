// A program that runs a child through the runner, for the tests of what becomes of the
// child when the program ends. The first argument names what it does:
//   hold CHILD...               sees CHILD answer "x" with "x", writes its pid on a line
//                               and waits to be killed
//   hold-from-thread CHILD...   the same, with the runner made and run on a thread that
//                               has ended before the child is asked to answer
//   write-and-end TEXT CHILD... once CHILD says "ready", queues TEXT for its input, then
//                               destroys the runner and returns from main at once
//   closed-streams FILE TEXT CHILD...  with our standard streams closed, runs CHILD with
//                               TEXT queued for its input and leaves its output in FILE
// Exit status: 0; 2 for a usage error; 3 when the child does not start, answer or end.

#include "base/PlainEventLoop.h"
#include "process/TJvCreateProcess.h"

#include <cstdint>
#include <exception>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace ondrevo;

namespace {

struct Session {
    explicit Session(std::vector<std::string> command)
    {
        runner.SetConsoleOptions(coOwnerData | coRedirect);
        runner.OnRawRead = [this](TJvCreateProcess&, const std::string& piece) { output += piece; };
        runner.OnTerminate = [this](TJvCreateProcess&, std::uint32_t) { ended = true; };
        runner.SetCommandLine(std::move(command));
        runner.Run();
    }
    // Whether the child has written `text` before it ended.
    bool Says(const std::string& text)
    {
        return loop.RunUntil([&] { return output == text || ended; }) && output == text;
    }

    PlainEventLoop loop;
    TJvCreateProcess runner { loop };
    std::string output;
    bool ended = false;
};

// The answer shows the child was not killed before: with SIGKILL pending it never reads.
[[noreturn]] void Hold(Session& session)
{
    session.runner.Write("x");
    const std::string line = std::to_string(session.runner.ProcessId()) + "\n";
    if (!session.Says("x") || ::write(1, line.data(), line.size()) != static_cast<ssize_t>(line.size()))
        ::_exit(3);
    for (;;)
        ::pause();
}

int Run(const std::string& mode, const std::vector<std::string>& rest)
{
    if (mode == "hold")
        Hold(*std::make_unique<Session>(rest));
    if (mode == "hold-from-thread") {
        std::unique_ptr<Session> session;
        pid_t thread = 0;
        std::thread([&] {
            thread = ::gettid();
            session = std::make_unique<Session>(rest);
        }).join();
        // The thread's entry goes once it has ended completely, after the death signal
        // of any child it was the parent of had been sent.
        const std::string entry = "/proc/self/task/" + std::to_string(thread);
        while (::access(entry.c_str(), F_OK) == 0)
            ::usleep(1000);
        Hold(*session);
    }
    if (mode == "write-and-end" && rest.size() >= 2) {
        Session session({ rest.begin() + 1, rest.end() });
        if (!session.Says("ready\n"))
            return 3;
        session.runner.Write(rest[0]);
        return 0;
    }
    if (mode == "closed-streams" && rest.size() >= 3) {
        ::close(0);
        ::close(1);
        ::close(2);
        Session session({ rest.begin() + 2, rest.end() });
        session.runner.Write(rest[1]);
        if (!session.loop.RunUntil([&session] { return session.ended; }))
            return 3;
        std::ofstream(rest[0], std::ios::binary) << session.output;
        return 0;
    }
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    try {
        return argc < 3 ? 2 : Run(argv[1], { argv + 2, argv + argc });
    } catch (const std::exception&) {
        return 3;
    }
}
