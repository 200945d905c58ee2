#pragma once
// Encoder-like progress text for the runner benchmarks: lines such as
// "frame=  152 fps=0.0 q=27.0 size=       0kB time=00:00:10.03 bitrate=   0.0kbits/s ..."
// each ended by CR, with a warning line ended by LF now and then. The benchmark programs
// run themselves as the child with "--child-progress BYTES".

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <unistd.h>

namespace ondrevo::bench {

inline std::string ProgressBlock(std::size_t size, std::size_t* lineFeeds)
{
    std::string block;
    *lineFeeds = 0;
    for (int frame = 1; block.size() < size; ++frame) {
        char line[200];
        const int centiseconds = frame * 4;
        std::snprintf(line, sizeof line,
            "frame=%5d fps=%.1f q=27.0 size=%8dkB time=00:%02d:%02d.%02d bitrate=%6.1fkbits/s dup=0 "
            "drop=%d speed=19.9x    \r",
            frame, frame / 10.0, frame / 3, centiseconds / 6000 % 60, centiseconds / 100 % 60, centiseconds % 100,
            frame * 0.7, frame / 50);
        block += line;
        if (frame % 40 == 0) {
            block += "[h263 @ 0x55d0c8e0] warning, clipping 1 dct coefficients to -127..127\n";
            ++*lineFeeds;
        }
    }
    block.resize(size);
    *lineFeeds = 0;
    for (char c : block)
        *lineFeeds += c == '\n';
    return block;
}

// Writes `total` bytes of progress text to standard output in 1 MiB blocks.
inline int WriteProgress(std::size_t total)
{
    std::size_t lineFeeds = 0;
    const std::string block = ProgressBlock(1 << 20, &lineFeeds);
    std::size_t written = 0;
    while (written < total) {
        const std::size_t n = std::min(block.size(), total - written);
        std::size_t done = 0;
        while (done < n) {
            const ssize_t got = ::write(1, block.data() + done, n - done);
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                return 1;
            done += static_cast<std::size_t>(got);
        }
        written += n;
    }
    return 0;
}

// Line feeds in `total` bytes written by WriteProgress.
inline std::size_t ProgressLineFeeds(std::size_t total)
{
    std::size_t perBlock = 0;
    const std::string block = ProgressBlock(1 << 20, &perBlock);
    std::size_t count = (total / block.size()) * perBlock;
    for (std::size_t i = 0; i < total % block.size(); ++i)
        count += block[i] == '\n';
    return count;
}

inline long ResidentKiB()
{
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "VmRSS:") {
            long kib = 0;
            status >> kib;
            return kib;
        }
        status.ignore(1 << 10, '\n');
    }
    return -1;
}

inline std::string SelfPath()
{
    char path[4096];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    return n > 0 ? std::string(path, static_cast<std::size_t>(n)) : std::string();
}

} // namespace ondrevo::bench
