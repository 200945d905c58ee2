// A program that runs a child through the runner, for the tests that need a program of
// their own. The first argument names what it does:
//   closed-streams FILE TEXT CHILD...  with our standard streams closed, runs CHILD with
//                               TEXT queued for its input and leaves its output in FILE
// Exit status: 0; 2 for a usage error; 3 when the child does not start or end.

#include "base/PlainEventLoop.h"
#include "process/TJvCreateProcess.h"

#include <cstdint>
#include <exception>
#include <fstream>
#include <string>
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

    PlainEventLoop loop;
    TJvCreateProcess runner { loop };
    std::string output;
    bool ended = false;
};

int Run(const std::string& mode, const std::vector<std::string>& rest)
{
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
