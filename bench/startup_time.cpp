// Start-up of the program against a bare Qt Widgets window of the same size, under a
// private Xvfb and session bus: time from starting the executable until its window titled "Ondrevo"
// is mapped (the program fills its selectors right after, before the window is first drawn), resident
// memory once idle, and the processes started at launch (those that detach
// themselves too: the benchmark adopts orphans as a subreaper). Runs alternate between
// the two; a first run of each warms the file cache and is not counted. Prints
// medians and ratios; asserts nothing.
//
//   startup_time [runs] [program]
//
// The program's folder is copied to a temporary folder with a fresh database, so the
// user's saved choices are never touched.

#include <QApplication>
#include <QLabel>
#include <QWidget>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kWidth = 852;
constexpr int kHeight = 526;
constexpr const char* kTitle = "Ondrevo";
// How long a started program is left alone before its memory is read.
constexpr auto kIdleSettle = std::chrono::milliseconds(1500);
constexpr auto kMapLimit = std::chrono::seconds(60);

// The bare window; with `text`, it also shows one line in the program's face, which is
// what any window with text pays for the font system (configuration, font list, one face).
int BareWindow(int argc, char** argv, bool text)
{
    QApplication application(argc, argv);
    QWidget window;
    window.setWindowTitle(kTitle);
    window.setFixedSize(kWidth, kHeight);
    QLabel* line = nullptr;
    if (text) {
        QFont font("Tahoma", 8);
        font.setFamilies({ "Tahoma", "DejaVu Sans Condensed", "Liberation Sans Narrow", "Arial Narrow" });
        QApplication::setFont(font);
        line = new QLabel("Video files to 3GP, for your phone", &window);
        line->move(8, 8);
    }
    window.show();
    return application.exec();
}

std::string SelfPath()
{
    return fs::read_symlink("/proc/self/exe").string();
}

pid_t Spawn(const std::vector<std::string>& arguments, const std::string& folder, const std::vector<std::string>& extra)
{
    std::vector<std::string> environment;
    for (char** variable = environ; *variable; ++variable) {
        const std::string text = *variable;
        const std::string name = text.substr(0, text.find('='));
        if (name != "DISPLAY" && name != "QT_QPA_PLATFORM" && name != "DBUS_SESSION_BUS_ADDRESS"
            && name != "XDG_RUNTIME_DIR")
            environment.push_back(text);
    }
    environment.insert(environment.end(), extra.begin(), extra.end());
    std::vector<char*> argv, envp;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    for (const std::string& variable : environment)
        envp.push_back(const_cast<char*>(variable.c_str()));
    envp.push_back(nullptr);

    // The working directory is the program's folder: it opens LibFFmpeg.Dat there.
    const std::string previous = fs::current_path().string();
    fs::current_path(folder);
    pid_t pid = 0;
    const int error = posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), envp.data());
    fs::current_path(previous);
    if (error != 0) {
        std::fprintf(stderr, "cannot start %s: %s\n", argv[0], std::strerror(error));
        std::exit(2);
    }
    return pid;
}

// Starts a server that writes a line to the descriptor it is given (Xvfb's display
// number, the bus daemon's address); returns its pid and that line.
std::pair<pid_t, std::string> StartServer(std::vector<std::string> command, std::size_t fdArgument)
{
    int fds[2];
    if (pipe(fds) != 0)
        std::exit(2);
    command[fdArgument] = std::to_string(fds[1]);
    const pid_t pid = Spawn(command, fs::current_path().string(), {});
    close(fds[1]);
    std::string line;
    char c;
    while (read(fds[0], &c, 1) == 1 && c != '\n')
        line += c;
    close(fds[0]);
    if (line.empty()) {
        std::fprintf(stderr, "%s did not start\n", command[0].c_str());
        std::exit(2);
    }
    return { pid, line };
}

std::string Slurp(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

long StatusKiB(pid_t pid, const char* field)
{
    std::istringstream status(Slurp("/proc/" + std::to_string(pid) + "/status"));
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(field, 0) == 0)
            return std::strtol(line.c_str() + std::strlen(field), nullptr, 10);
    return -1;
}

long PssKiB(pid_t pid)
{
    std::istringstream rollup(Slurp("/proc/" + std::to_string(pid) + "/smaps_rollup"));
    std::string line;
    while (std::getline(rollup, line))
        if (line.rfind("Pss:", 0) == 0)
            return std::strtol(line.c_str() + 4, nullptr, 10);
    return -1;
}

// This process's children (with orphans adopted as subreaper).
std::set<pid_t> Children()
{
    std::set<pid_t> children;
    for (const auto& task : fs::directory_iterator("/proc/self/task")) {
        std::istringstream list(Slurp(task.path().string() + "/children"));
        pid_t pid;
        while (list >> pid)
            children.insert(pid);
    }
    return children;
}

std::set<pid_t> ChildrenOf(pid_t parent)
{
    std::set<pid_t> children;
    const std::string tasks = "/proc/" + std::to_string(parent) + "/task";
    std::error_code error;
    for (const auto& task : fs::directory_iterator(tasks, error)) {
        std::istringstream list(Slurp(task.path().string() + "/children"));
        pid_t pid;
        while (list >> pid)
            children.insert(pid);
    }
    return children;
}

std::string CommandName(pid_t pid)
{
    std::string name = Slurp("/proc/" + std::to_string(pid) + "/comm");
    if (!name.empty() && name.back() == '\n')
        name.pop_back();
    return name;
}

bool WaitExit(pid_t pid, std::chrono::milliseconds limit)
{
    const auto deadline = Clock::now() + limit;
    while (Clock::now() < deadline) {
        int status;
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid || (done < 0 && errno == ECHILD))
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

class XServer {
public:
    explicit XServer(const std::string& name)
        : display_(XOpenDisplay(name.c_str()))
    {
        if (!display_) {
            std::fprintf(stderr, "cannot open display %s\n", name.c_str());
            std::exit(2);
        }
        XSelectInput(display_, DefaultRootWindow(display_), SubstructureNotifyMask);
        XSync(display_, False);
    }
    ~XServer() { XCloseDisplay(display_); }

    // Waits for a top-level window titled kTitle to be mapped; its id, or nothing.
    std::optional<Window> WaitMapped(std::chrono::steady_clock::time_point deadline)
    {
        const int fd = ConnectionNumber(display_);
        while (Clock::now() < deadline) {
            while (XPending(display_)) {
                XEvent event;
                XNextEvent(display_, &event);
                if (event.type == MapNotify && Titled(event.xmap.window))
                    return event.xmap.window;
            }
            pollfd ready { fd, POLLIN, 0 };
            poll(&ready, 1, 50);
        }
        return std::nullopt;
    }

    void Close(Window window)
    {
        XEvent event {};
        event.xclient.type = ClientMessage;
        event.xclient.window = window;
        event.xclient.message_type = XInternAtom(display_, "WM_PROTOCOLS", False);
        event.xclient.format = 32;
        event.xclient.data.l[0] = static_cast<long>(XInternAtom(display_, "WM_DELETE_WINDOW", False));
        event.xclient.data.l[1] = CurrentTime;
        XSendEvent(display_, window, False, 0, &event);
        XFlush(display_);
    }

    void Drain()
    {
        while (XPending(display_)) {
            XEvent event;
            XNextEvent(display_, &event);
        }
    }

private:
    bool Titled(Window window)
    {
        char* name = nullptr;
        const bool match = XFetchName(display_, window, &name) && name && std::strcmp(name, kTitle) == 0;
        if (name)
            XFree(name);
        return match;
    }

    ::Display* display_;
};

// CPU time the process has used so far, all its threads, in seconds (the scheduler's
// nanosecond count; threads that have ended are not counted).
double CpuSeconds(pid_t pid)
{
    unsigned long long nanoseconds = 0;
    std::error_code error;
    for (const auto& task : fs::directory_iterator("/proc/" + std::to_string(pid) + "/task", error)) {
        std::istringstream schedstat(Slurp(task.path().string() + "/schedstat"));
        unsigned long long onCpu = 0;
        if (schedstat >> onCpu)
            nanoseconds += onCpu;
    }
    return static_cast<double>(nanoseconds) / 1e9;
}

struct Run {
    double seconds = 0;
    double cpuSeconds = 0; // until mapped
    long rssKiB = 0;
    long pssKiB = 0;
    int threads = 0;
    std::vector<std::string> started; // processes started at launch
};

// Where the programs run: the private X server and session bus, as a desktop session has.
struct Session {
    std::vector<std::string> environment;
    std::set<pid_t> servers;
};

std::optional<Run> Measure(
    XServer& display, const Session& session, const std::vector<std::string>& command, const std::string& folder)
{
    display.Drain();
    const auto start = Clock::now();
    const pid_t pid = Spawn(command, folder, session.environment);
    const std::optional<Window> window = display.WaitMapped(start + kMapLimit);
    const auto mapped = Clock::now();
    const double cpu = CpuSeconds(pid);
    if (!window) {
        std::fprintf(stderr, "%s: no window mapped\n", command[0].c_str());
        kill(pid, SIGKILL);
        WaitExit(pid, std::chrono::seconds(5));
        return std::nullopt;
    }
    std::this_thread::sleep_for(kIdleSettle);
    Run run;
    run.seconds = std::chrono::duration<double>(mapped - start).count();
    run.cpuSeconds = cpu;
    run.rssKiB = StatusKiB(pid, "VmRSS:");
    run.pssKiB = PssKiB(pid);
    run.threads = static_cast<int>(StatusKiB(pid, "Threads:"));
    std::set<pid_t> started = ChildrenOf(pid);
    for (pid_t other : Children())
        if (other != pid && !session.servers.count(other))
            started.insert(other);
    for (pid_t other : started)
        run.started.push_back(CommandName(other));

    display.Close(*window);
    if (!WaitExit(pid, std::chrono::seconds(10))) {
        kill(pid, SIGKILL);
        WaitExit(pid, std::chrono::seconds(5));
    }
    // What it left behind (an auto-launched bus daemon) must not carry into the next run.
    for (pid_t other : started) {
        kill(other, SIGTERM);
        WaitExit(other, std::chrono::seconds(2));
    }
    return run;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

struct Series {
    explicit Series(std::string seriesName)
        : name(std::move(seriesName))
    {
    }
    std::string name;
    std::vector<double> seconds, cpuSeconds, rssMiB, pssMiB;
    std::set<std::string> started;
    int threads = 0;

    void Add(const Run& run)
    {
        seconds.push_back(run.seconds);
        cpuSeconds.push_back(run.cpuSeconds);
        rssMiB.push_back(run.rssKiB / 1024.0);
        pssMiB.push_back(run.pssKiB / 1024.0);
        started.insert(run.started.begin(), run.started.end());
        threads = run.threads;
    }
    void Print() const
    {
        std::string names;
        for (const std::string& name : started)
            names += (names.empty() ? "" : ", ") + name;
        std::printf("%-8s mapped after %6.1f ms (min %6.1f, max %6.1f), CPU %5.1f ms  VmRSS %5.1f MiB  Pss %5.1f MiB"
                    "  threads %d  started at launch: %s\n",
            name.c_str(), Median(seconds) * 1000, *std::min_element(seconds.begin(), seconds.end()) * 1000,
            *std::max_element(seconds.begin(), seconds.end()) * 1000, Median(cpuSeconds) * 1000, Median(rssMiB),
            Median(pssMiB), threads, names.empty() ? "none" : names.c_str());
    }
};

} // namespace

int main(int argc, char** argv)
{
    if (argc >= 2 && std::string(argv[1]) == "--bare-window")
        return BareWindow(argc, argv, false);
    if (argc >= 2 && std::string(argv[1]) == "--bare-window-text")
        return BareWindow(argc, argv, true);
    const int runs = argc >= 2 ? std::max(1, std::atoi(argv[1])) : 7;
    const fs::path program = argc >= 3 ? fs::path(argv[2]) : fs::path(ONDREVO_PROGRAM_DIR) / "ondrevo";
    const fs::path shippedDatabase = ONDREVO_SHIPPED_DB;
    if (!fs::exists(program) || !fs::exists(shippedDatabase)) {
        std::fprintf(
            stderr, "build the program and its database first (%s, %s)\n", program.c_str(), shippedDatabase.c_str());
        return 2;
    }

    // A program folder of our own: the executable, bin/, a fresh database, FFOutput/.
    char pattern[] = "/tmp/ondrevo-startup-XXXXXX";
    if (!mkdtemp(pattern))
        return 2;
    const fs::path folder = pattern;
    fs::create_directories(folder / "bin");
    fs::create_directories(folder / "FFOutput");
    fs::copy_file(program, folder / "ondrevo");
    fs::create_symlink("/usr/bin/ffmpeg", folder / "bin" / "ffmpeg");
    fs::create_symlink("/usr/bin/mplayer", folder / "bin" / "mplayer");
    fs::copy_file(shippedDatabase, folder / "LibFFmpeg.Dat");

    // Orphans of what the programs start (a daemon that detaches) come to us.
    prctl(PR_SET_CHILD_SUBREAPER, 1);
    const auto [xvfb, displayNumber]
        = StartServer({ "/usr/bin/Xvfb", "-displayfd", "", "-screen", "0", "1280x800x24", "-nolisten", "tcp" }, 2);
    const auto [bus, busAddress]
        = StartServer({ "/usr/bin/dbus-daemon", "--session", "--nofork", "--print-address", "" }, 4);
    const fs::path runtime = folder / "runtime";
    fs::create_directories(runtime);
    fs::permissions(runtime, fs::perms::owner_all);
    Session session;
    session.environment = { "DISPLAY=:" + displayNumber, "QT_QPA_PLATFORM=xcb",
        "DBUS_SESSION_BUS_ADDRESS=" + busAddress, "XDG_RUNTIME_DIR=" + runtime.string() };
    session.servers = { xvfb, bus };
    int result = 0;
    {
        XServer display(":" + displayNumber);
        const std::vector<std::string> ondrevo { (folder / "ondrevo").string() };
        const std::vector<std::string> bare { SelfPath(), "--bare-window" };
        const std::vector<std::string> bareText { SelfPath(), "--bare-window-text" };
        Series programSeries("Ondrevo"), bareSeries("bare"), textSeries("bare+text");
        // Ratios of each round's runs, which ran one after the other, so a slow spell of
        // the machine weighs on both sides of a ratio.
        std::vector<double> timeRatios, textTimeRatios;
        for (int round = 0; round <= runs && result == 0; ++round) {
            const std::optional<Run> a = Measure(display, session, ondrevo, folder.string());
            const std::optional<Run> b = Measure(display, session, bare, folder.string());
            const std::optional<Run> c = Measure(display, session, bareText, folder.string());
            if (!a || !b || !c) {
                result = 1;
                break;
            }
            if (round == 0) // warms the file cache
                continue;
            programSeries.Add(*a);
            bareSeries.Add(*b);
            textSeries.Add(*c);
            timeRatios.push_back(a->seconds / b->seconds);
            textTimeRatios.push_back(a->seconds / c->seconds);
        }
        if (result == 0) {
            std::printf("start-up to the mapped %dx%d window under Xvfb, median of %d runs\n", kWidth, kHeight, runs);
            programSeries.Print();
            bareSeries.Print();
            textSeries.Print();
            std::printf("time ratio Ondrevo/bare %.2f (median of the rounds' ratios %.2f; target at most 1.30), CPU "
                        "time ratio %.2f; memory over bare: VmRSS %+.1f MiB, Pss %+.1f MiB (target at most 8)\n",
                Median(programSeries.seconds) / Median(bareSeries.seconds), Median(timeRatios),
                Median(programSeries.cpuSeconds) / Median(bareSeries.cpuSeconds),
                Median(programSeries.rssMiB) - Median(bareSeries.rssMiB),
                Median(programSeries.pssMiB) - Median(bareSeries.pssMiB));
            std::printf("against the bare window with a line of text: time ratio %.2f (rounds %.2f), memory Pss "
                        "%+.1f MiB; the text alone costs the bare window %+.1f ms and %+.1f MiB\n",
                Median(programSeries.seconds) / Median(textSeries.seconds), Median(textTimeRatios),
                Median(programSeries.pssMiB) - Median(textSeries.pssMiB),
                (Median(textSeries.seconds) - Median(bareSeries.seconds)) * 1000,
                Median(textSeries.pssMiB) - Median(bareSeries.pssMiB));
        }
    }
    for (pid_t server : session.servers) {
        kill(server, SIGTERM);
        WaitExit(server, std::chrono::seconds(5));
    }
    fs::remove_all(folder);
    return result;
}
