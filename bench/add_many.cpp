// Adding many files by one drop: a folder of hard links to a few small clips dropped on
// the file list (the handler FileListViewDragDrop, in-memory window, the adder's worker
// threads, rows appended on the UI loop, the list's journal written on its own thread),
// against the same media queries (file_list::QueryRowFacts) run back to back on one
// thread. Ondrevo's time includes walking the dropped folder. Rounds alternate which
// goes first. While Ondrevo adds, a task posted to the UI loop every 10 ms records how
// late it ran: the longest stretch the loop was busy with something else. Prints medians
// and the worst lateness; asserts nothing.
//
//   build/bench/add_many [files] [rounds]

#include "BatchProgram.h"

#include "media/FileAdder.h"
#include "media/MediaQuery.h"

#include <algorithm>
#include <atomic>
#include <thread>

namespace {

using namespace ondrevo;
using namespace ondrevo::bench;
namespace fs = std::filesystem;

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

// Posts a task every 10 ms while it lives; each task records how long after its
// posting it ran.
class LatenessProbe {
public:
    explicit LatenessProbe(IEventLoop& loop)
        : state_(std::make_shared<State>())
    {
        thread_ = std::thread([this, &loop, state = state_] {
            while (!stop_) {
                const Clock::time_point posted = Clock::now();
                loop.Post([state, posted] {
                    const double late = Milliseconds(Clock::now() - posted);
                    state->worstMs = std::max(state->worstMs, late);
                    ++state->ticks;
                });
                std::this_thread::sleep_until(posted + std::chrono::milliseconds(10));
            }
        });
    }
    ~LatenessProbe() { Stop(); }
    void Stop()
    {
        stop_ = true;
        if (thread_.joinable())
            thread_.join();
    }
    // Read on the loop's thread once the ticks have run.
    double WorstMs() const { return state_->worstMs; }
    int Ticks() const { return state_->ticks; }

private:
    struct State {
        double worstMs = 0;
        int ticks = 0;
    };
    std::shared_ptr<State> state_;
    std::atomic<bool> stop_ { false };
    std::thread thread_;
};

} // namespace

int main(int argc, char** argv)
{
    const int files = argc > 1 ? std::max(2, std::atoi(argv[1])) : 1000;
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;

    BatchProgram program;
    testing::Session& session = *program.session;
    testing::MemoryMainWindow& window = session.window;

    // A few small clips of different kinds, linked under many names in one folder.
    std::vector<std::string> clips;
    for (const char* name : { "a.mp4", "b.avi", "c.mkv" }) {
        clips.push_back(program.dir.File(name));
        if (!MakeClip(clips.back(), 2, "320x240", false))
            return 1;
    }
    const fs::path drop = program.dir.Path() / "dropped";
    fs::create_directories(drop);
    std::vector<std::string> paths;
    for (int n = 0; n < files; ++n) {
        const std::string& clip = clips[static_cast<std::size_t>(n) % clips.size()];
        char name[32];
        std::snprintf(name, sizeof name, "file%05d", n);
        const fs::path link = drop / (name + fs::path(clip).extension().string());
        fs::create_hard_link(clip, link);
        paths.push_back(link.string());
    }
    // The library is loaded once before any timing, as both sides need it.
    MediaQuery::Start(clips.front());

    const auto ours = [&](double& worstLateMs) {
        const auto start = Clock::now();
        LatenessProbe probe(session.loop);
        session.Event([&](TFFmpegFrmHandlers& h) { h.FileListViewDragDrop({ drop.string() }); });
        session.loop.RunUntil(
            [&] { return window.fileList.RowCount() == files && !window.adder.Running(); }, std::chrono::minutes(10));
        const double seconds = Seconds(Clock::now() - start);
        probe.Stop();
        session.loop.Drain();
        worstLateMs = probe.WorstMs();
        if (window.fileList.RowCount() != files)
            std::fprintf(stderr, "only %d of %d rows were added\n", window.fileList.RowCount(), files);
        session.Event([](TFFmpegFrmHandlers& h) { h.ClearFileBtnClick(); });
        return seconds;
    };
    const auto oneThread = [&] {
        const auto start = Clock::now();
        for (const std::string& path : paths) {
            file_list::RowFacts facts;
            file_list::QueryRowFacts(path, facts);
        }
        return Seconds(Clock::now() - start);
    };

    std::printf("%d files (hard links to %zu clips of 2 s, 320x240), %u cores, %d rounds\n", files, clips.size(),
        std::thread::hardware_concurrency(), rounds);
    std::vector<double> ratios, worst;
    for (int round = 0; round < rounds; ++round) {
        double late = 0, dropped = 0, single = 0;
        if (round % 2 == 0) {
            dropped = ours(late);
            single = oneThread();
        } else {
            single = oneThread();
            dropped = ours(late);
        }
        ratios.push_back(dropped / single);
        worst.push_back(late);
        std::printf("round %d: drop %.3f s, one thread %.3f s, ratio %.3f, UI loop at most %.1f ms late\n", round + 1,
            dropped, single, dropped / single, late);
    }
    std::printf(
        "\nmedian drop / one thread: %.3f (target: at most 1.1, below 1 with more than one core)\n", Median(ratios));
    std::printf("UI loop lateness of a 10 ms task during the drop: worst %.1f ms, median of rounds %.1f ms "
                "(target: under 50 ms)\n",
        *std::max_element(worst.begin(), worst.end()), Median(worst));
    return 0;
}
