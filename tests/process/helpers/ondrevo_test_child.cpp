// A child program for the process runner's tests. The first argument names what it
// does; see Usage(). Output is written with plain write() calls so that the tests know
// exactly which bytes arrive.

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <string>
#include <sys/prctl.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

extern char** environ;

namespace {

void WriteAll(int fd, const char* data, std::size_t n)
{
    while (n > 0) {
        const ssize_t written = ::write(fd, data, n);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            std::_Exit(90);
        }
        data += written;
        n -= static_cast<std::size_t>(written);
    }
}

void WriteText(int fd, const std::string& text)
{
    WriteAll(fd, text.data(), text.size());
}

void SleepMs(long ms)
{
    timespec time { ms / 1000, (ms % 1000) * 1000000L };
    while (::nanosleep(&time, &time) < 0 && errno == EINTR) { }
}

// \r \n \t \b \0 \a \\ and \xHH, so that control bytes can be passed as arguments.
std::string Unescape(const char* text)
{
    std::string out;
    for (const char* p = text; *p; ++p) {
        if (*p != '\\' || !p[1]) {
            out += *p;
            continue;
        }
        static const std::string kNames = "rntb0a", kBytes { '\r', '\n', '\t', '\b', '\0', '\a' };
        const char name = *++p;
        if (name == 'x') {
            if (p[1] && p[2]) {
                out += static_cast<char>(std::strtol(std::string(p + 1, 2).c_str(), nullptr, 16));
                p += 2;
            }
        } else {
            const std::size_t at = kNames.find(name);
            out += at == std::string::npos ? name : kBytes[at];
        }
    }
    return out;
}

// Byte i of the "bytes" output: letters with a LF every 64 bytes.
char PatternByte(std::size_t i)
{
    return i % 64 == 63 ? '\n' : static_cast<char>('a' + i % 26);
}

int Usage()
{
    WriteText(2,
        "modes: print TEXT | print-err OUT ERR | pieces MS TEXT... | exit N | signal N | args ... | environ | pwd |\n"
        "       bytes N | sleep MS | echo [MS] | closein MS |\n"
        "       closeout MS N | grandchild MS [FILE] | sigstate | fds | ignore-term MS | stdin-to FILE |\n"
        "       mark FILE MODE ARGS... | outlive-parent MODE ARGS...\n");
    return 2;
}

// Writes the file whole under its final name, so a reader never sees half of it.
void WriteFile(const std::string& path, const std::string& text)
{
    const std::string part = path + ".part";
    FILE* file = std::fopen(part.c_str(), "wb");
    if (!file)
        std::_Exit(94);
    std::fwrite(text.data(), 1, text.size(), file);
    std::fclose(file);
    std::rename(part.c_str(), path.c_str());
}

int RunMode(int argc, char** argv)
{
    if (argc < 2)
        return Usage();
    const std::string mode = argv[1];
    const auto arg = [&](int i) -> const char* { return i < argc ? argv[i] : ""; };

    if (mode == "print") {
        WriteText(1, Unescape(arg(2)));
    } else if (mode == "print-err") {
        WriteText(1, Unescape(arg(2)));
        WriteText(2, Unescape(arg(3)));
    } else if (mode == "pieces") {
        // Each text in its own write, MS milliseconds apart.
        const long ms = std::atol(arg(2));
        for (int i = 3; i < argc; ++i) {
            if (i > 3)
                SleepMs(ms);
            WriteText(1, Unescape(argv[i]));
        }
    } else if (mode == "exit") {
        return std::atoi(arg(2));
    } else if (mode == "signal") {
        const int signal = std::atoi(arg(2));
        std::signal(signal, SIG_DFL);
        sigset_t set;
        sigemptyset(&set);
        sigaddset(&set, signal);
        sigprocmask(SIG_UNBLOCK, &set, nullptr);
        std::raise(signal);
        return 91;
    } else if (mode == "args") {
        // Each argument followed by a NUL: shows exactly where one ends.
        for (int i = 2; i < argc; ++i)
            WriteAll(1, argv[i], std::strlen(argv[i]) + 1);
    } else if (mode == "environ") {
        for (char** entry = environ; *entry; ++entry)
            WriteText(1, std::string(*entry) + "\n");
    } else if (mode == "pwd") {
        char buffer[4096];
        if (!::getcwd(buffer, sizeof buffer))
            return 92;
        WriteText(1, std::string(buffer) + "\n");
    } else if (mode == "bytes") {
        const std::size_t total = std::strtoull(arg(2), nullptr, 10);
        std::string chunk;
        for (std::size_t i = 0; i < total; ++i) {
            chunk += PatternByte(i);
            // Uneven write sizes, so pieces and writes do not line up.
            if (chunk.size() == 3000 || i + 1 == total) {
                WriteText(1, chunk);
                chunk.clear();
            }
        }
    } else if (mode == "sleep") {
        SleepMs(std::atol(arg(2)));
    } else if (mode == "echo") {
        // Writes its input back up to "q" or end-of-file, then sleeps MS milliseconds (if given).
        char buffer[4096];
        for (;;) {
            const ssize_t got = ::read(0, buffer, sizeof buffer);
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                break;
            WriteAll(1, buffer, static_cast<std::size_t>(got));
            if (std::memchr(buffer, 'q', static_cast<std::size_t>(got)))
                break;
        }
        SleepMs(std::atol(arg(2)));
    } else if (mode == "closein") {
        ::close(0);
        WriteText(1, "closed\n");
        SleepMs(std::atol(arg(2)));
    } else if (mode == "closeout") {
        WriteText(1, "bye\n");
        ::close(1);
        ::close(2);
        SleepMs(std::atol(arg(2)));
        return std::atoi(arg(3));
    } else if (mode == "grandchild") {
        // With FILE, a SIGTERM makes the grandchild write "terminated" there and end;
        // the handler is set before the fork, so no signal comes before it.
        static const char* termMark = nullptr;
        if (*arg(3)) {
            termMark = arg(3);
            std::signal(SIGTERM, [](int) {
                WriteFile(termMark, "terminated");
                std::_Exit(0);
            });
        }
        const pid_t grandchild = ::fork();
        if (grandchild == 0) {
            SleepMs(std::atol(arg(2))); // keeps the inherited output pipe open
            std::_Exit(0);
        }
        WriteText(1, "grandchild=" + std::to_string(grandchild) + "\n");
    } else if (mode == "sigstate") {
        sigset_t blocked;
        sigprocmask(SIG_BLOCK, nullptr, &blocked);
        int count = 0;
        for (int signal = 1; signal < NSIG; ++signal)
            count += sigismember(&blocked, signal) == 1;
        struct sigaction pipe { };
        sigaction(SIGPIPE, nullptr, &pipe);
        WriteText(1,
            "blocked=" + std::to_string(count) + " sigpipe=" + (pipe.sa_handler == SIG_DFL ? "default" : "changed")
                + "\n");
    } else if (mode == "fds") {
        // The open descriptors, without the one that lists them.
        DIR* dir = ::opendir("/proc/self/fd");
        if (!dir)
            return 93;
        std::string list;
        while (dirent* entry = ::readdir(dir)) {
            if (entry->d_name[0] == '.' || std::atoi(entry->d_name) == ::dirfd(dir))
                continue;
            list += std::string(list.empty() ? "" : " ") + entry->d_name;
        }
        ::closedir(dir);
        WriteText(1, "fds=" + list + "\n");
    } else if (mode == "ignore-term") {
        // Neither reads its input nor ends on SIGTERM; only SIGKILL or the time ends it.
        // Says "ready" once SIGTERM is ignored.
        std::signal(SIGTERM, SIG_IGN);
        WriteText(1, "ready\n");
        SleepMs(std::atol(arg(2)));
    } else if (mode == "stdin-to") {
        // Reads its input up to "q" or end-of-file and leaves what it read in FILE.
        std::string got;
        char c = 0;
        for (;;) {
            const ssize_t n = ::read(0, &c, 1);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            got += c;
            if (c == 'q')
                break;
        }
        WriteFile(arg(2), got);
    } else if (mode == "outlive-parent") {
        // Runs MODE in a child that has left the program's reach (no death signal, a
        // session and process group of its own) once it has said "ready": it can finish
        // after the program that started us has ended. Waits for it.
        const pid_t escaped = ::fork();
        if (escaped == 0) {
            ::prctl(PR_SET_PDEATHSIG, 0);
            ::setsid();
            WriteText(1, "ready\n");
            std::_Exit(RunMode(argc - 1, argv + 1));
        }
        int status = 0;
        while (escaped > 0 && ::waitpid(escaped, &status, 0) < 0 && errno == EINTR) { }
        return WIFEXITED(status) ? WEXITSTATUS(status) : 95;
    } else if (mode == "mark") {
        // Runs MODE, then leaves "exit=N" in FILE; a death by signal leaves no file.
        const int status = RunMode(argc - 2, argv + 2);
        WriteFile(arg(2), "exit=" + std::to_string(status));
        return status;
    } else {
        return Usage();
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    return RunMode(argc, argv);
}
