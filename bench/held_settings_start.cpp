// How long the UI loop waits while a batch starts: Convert's own time, and the longest
// time a task posted every 10 ms waits to run while the rows start, with the settings
// file free and with another program holding it for 3 s (the data module waiting up to
// 5 s for a lock, as it does in the program). Also with an encoder program that takes
// 2 s to list its encoders. Through the in-memory window, on the real encoder. Prints
// milliseconds; the window should answer within 100 ms. Asserts nothing.
//
//   build/bench/held_settings_start

#include "BatchProgram.h"

#include "support/DatabaseFiles.h"

#include <thread>

namespace {

using namespace ondrevo;
using namespace ondrevo::bench;

struct Waits {
    double convert = 0; // Convert's own time
    double longest = 0; // the longest wait of a posted task until the batch ended
    double batch = 0; // until the batch ended
};

Waits Measure(BatchProgram& program, PlainEventLoop& loop, const std::function<void()>& before)
{
    before();
    Waits waits;
    const Clock::time_point pressed = Clock::now();
    program.session->Event([](TFFmpegFrmHandlers& h) { h.ConvFileBtnClick(); });
    waits.convert = Milliseconds(Clock::now() - pressed);
    const auto running = [&] {
        return program.session->window.Engine().Model().Running()
            || program.session->window.Engine().Encoders().AnyBusy();
    };
    while (running()) {
        const Clock::time_point posted = Clock::now();
        bool ran = false;
        loop.Post([&] {
            ran = true;
            waits.longest = std::max(waits.longest, Milliseconds(Clock::now() - posted));
        });
        loop.RunUntil([&] { return ran; }, std::chrono::seconds(60));
        loop.RunUntil([] { return false; }, std::chrono::milliseconds(10));
    }
    waits.batch = Milliseconds(Clock::now() - pressed);
    return waits;
}

} // namespace

int main()
{
    BatchProgram program;
    PlainEventLoop& loop = program.session->loop;
    const std::string clip = (program.dir.Path() / "clip.mp4").string();
    if (!MakeClip(clip, 1, "320x240", true))
        return 1;
    const std::string database = (program.dir.Path() / "program" / "LibFFmpeg.Dat").string();
    const std::string encoder = (program.dir.Path() / "program" / "bin" / "ffmpeg").string();
    program.session->Event([&](TFFmpegFrmHandlers&) { TFFmpegFunc().AddVideoFiles({ clip, clip }); });
    loop.Drain(std::chrono::milliseconds(200));
    struct Case {
        const char* what;
        std::function<void()> before;
    };
    std::unique_ptr<testing::LockHolder> lock;
    const Case cases[] = {
        { "settings file free", [] { } },
        { "settings file held for 3 s", [&] { lock = std::make_unique<testing::LockHolder>(database, 3, true); } },
        { "encoder listing its encoders for 2 s", [&] {
             lock.reset();
             std::filesystem::remove(encoder);
             std::ofstream(encoder) << "#!/bin/sh\ncase \"$*\" in *-encoders*) sleep 2;; esac\nexec /usr/bin/ffmpeg \"$@\"\n";
             std::filesystem::permissions(encoder, std::filesystem::perms::owner_all);
         } },
    };
    for (const Case& c : cases) {
        const Waits waits = Measure(program, loop, c.before);
        std::printf("%-40s Convert %7.1f ms, longest wait of the loop %7.1f ms, batch %7.0f ms\n", c.what,
            waits.convert, waits.longest, waits.batch);
    }
    return 0;
}
