#include "media/FileAdder.h"

#include "media/MediaQuery.h"
#include "media/MediaTextRules.h"
#include "media/OpenDialogFilters.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <optional>
#include <thread>

namespace ondrevo {
namespace file_list {

bool QueryRowFacts(const std::string& path, RowFacts& facts)
{
    std::optional<MediaQuery> query = MediaQuery::StartWithoutLoading(path);
    if (!query)
        return false;
    facts.path = path;
    facts.type = query->Get(Stream_General, "FileExtension");
    const std::string fileSize = query->Get(Stream_General, "FileSize/String4");
    const std::string duration = query->Get(Stream_General, "Duration/String3");
    const std::string bytes = SizeTextNeedsByteCount(fileSize) ? query->Get(Stream_General, "FileSize") : "";
    facts.size = SizeText(fileSize, bytes);
    facts.playingTime = PlayingTimeText(duration, kAddedPlayingTimeDefault);
    return true;
}

bool IsVideoFileName(const std::string& name)
{
    std::string lower = name;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
    for (const std::string& pattern : FilterPatterns(kOpenDialogFilters[0])) {
        const std::string tail = pattern.substr(1); // "*.mp4" -> ".mp4"
        if (lower.size() > tail.size() && lower.compare(lower.size() - tail.size(), tail.size(), tail) == 0)
            return true;
    }
    return false;
}

std::vector<std::string> ExpandDropped(const std::vector<std::string>& paths)
{
    namespace fs = std::filesystem;
    std::vector<std::string> files;
    for (const std::string& path : paths) {
        std::error_code error;
        if (fs::is_regular_file(path, error)) {
            files.push_back(path);
            continue;
        }
        if (!fs::is_directory(path, error))
            continue;
        std::vector<std::string> found;
        const auto options = fs::directory_options::skip_permission_denied;
        for (fs::recursive_directory_iterator it(path, options, error), end; !error && it != end; it.increment(error)) {
            std::error_code typeError;
            if (it->is_regular_file(typeError) && IsVideoFileName(it->path().filename().string()))
                found.push_back(it->path().string());
        }
        std::sort(found.begin(), found.end());
        files.insert(files.end(), found.begin(), found.end());
    }
    return files;
}

} // namespace file_list

// Shared by the UI thread and the workers; outlives the adder while a worker holds it.
struct FileAdder::Work {
    std::mutex mutex;
    std::uint64_t generation = 0; // a fresh run after a cancel or an end starts a new one
    std::vector<std::string> paths; // everything given in this run, in order
    std::vector<std::optional<file_list::RowFacts>> facts; // filled by the workers
    std::size_t nextQuery = 0; // the next path a worker takes
    std::size_t nextAppend = 0; // the next row the UI appends
    std::vector<Events> events; // one per Add call, with the index its paths end at
    std::vector<std::size_t> ends;
    bool cancelled = false;
    bool notified = false; // an arrival notice is on its way to the UI
    std::vector<std::thread> threads;
    std::size_t working = 0; // threads that have not run out of paths

    // A run that ended or was cancelled gives back its paths and facts: they would
    // otherwise stay, as large as the largest add, until the next one. Under `mutex`.
    void Release()
    {
        // Assigning `{}` would keep the vectors' capacity: each is swapped with an empty one.
        std::vector<std::string>().swap(paths);
        std::vector<std::optional<file_list::RowFacts>>().swap(facts);
        std::vector<Events>().swap(events);
        std::vector<std::size_t>().swap(ends);
        nextQuery = nextAppend = 0;
    }
};

FileAdder::FileAdder(IEventLoop& loop, unsigned workers)
    : loop_(loop)
    , workers_(std::max(workers, 1u))
    , work_(std::make_shared<Work>())
{
}

FileAdder::~FileAdder()
{
    Cancel();
    std::vector<std::thread> threads;
    {
        std::lock_guard lock(work_->mutex);
        threads.swap(work_->threads);
    }
    for (std::thread& thread : threads)
        thread.join();
}

bool FileAdder::Running() const
{
    std::lock_guard lock(work_->mutex);
    return !work_->cancelled && work_->nextAppend < work_->paths.size();
}

bool FileAdder::Add(std::vector<std::string> paths, Events events)
{
    if (paths.empty())
        return true;
    // Loaded here, once, so that the workers only open files.
    if (!MediaQuery::Start("").has_value())
        return false;
    std::vector<std::thread> finished;
    {
        std::lock_guard lock(work_->mutex);
        if (work_->cancelled || work_->nextAppend == work_->paths.size()) {
            ++work_->generation;
            work_->cancelled = false;
            work_->paths.clear();
            work_->facts.clear();
            work_->nextQuery = work_->nextAppend = 0;
            work_->events.clear();
            work_->ends.clear();
        }
        for (std::string& path : paths)
            work_->paths.push_back(std::move(path));
        work_->facts.resize(work_->paths.size());
        work_->events.push_back(std::move(events));
        work_->ends.push_back(work_->paths.size());
        // Threads that ran out of paths have ended or are ending: joined here.
        if (work_->working == 0)
            finished.swap(work_->threads);
    }
    for (std::thread& thread : finished)
        thread.join();
    StartWorkers();
    return true;
}

void FileAdder::StartWorkers()
{
    const std::shared_ptr<Work> work = work_;
    IEventLoop* loop = &loop_;
    std::lock_guard lock(work->mutex);
    const std::size_t wanted = std::min<std::size_t>(workers_, work->paths.size() - work->nextQuery);
    for (; work->working < wanted; ++work->working) {
        work->threads.emplace_back([work, loop, this] {
            for (;;) {
                std::size_t index;
                std::string path;
                std::uint64_t generation;
                {
                    std::lock_guard lock(work->mutex);
                    if (work->cancelled || work->nextQuery >= work->paths.size()) {
                        --work->working;
                        return;
                    }
                    index = work->nextQuery++;
                    path = work->paths[index];
                    generation = work->generation;
                }
                file_list::RowFacts facts;
                if (!file_list::QueryRowFacts(path, facts))
                    facts.path = path;
                bool notify = false;
                {
                    std::lock_guard lock(work->mutex);
                    if (work->cancelled || work->generation != generation)
                        continue;
                    work->facts[index] = std::move(facts);
                    notify = !work->notified && index == work->nextAppend;
                    work->notified = work->notified || notify;
                }
                // The adder lives while its run is not cancelled: its destructor cancels.
                if (notify)
                    loop->Post([work, this] {
                        {
                            std::lock_guard lock(work->mutex);
                            work->notified = false;
                            if (work->cancelled)
                                return;
                        }
                        Arrived();
                    });
            }
        });
    }
}

void FileAdder::Arrived()
{
    // Appends the rows whose facts are in, in order, a limited number per turn so that
    // the window stays answerable.
    constexpr int kRowsPerTurn = 64;
    for (int n = 0; n < kRowsPerTurn; ++n) {
        file_list::RowFacts facts;
        Events handlers;
        std::size_t added = 0, total = 0;
        bool last = false;
        {
            std::lock_guard lock(work_->mutex);
            if (work_->cancelled || work_->nextAppend >= work_->paths.size() || !work_->facts[work_->nextAppend])
                return;
            const std::size_t index = work_->nextAppend++;
            facts = std::move(*work_->facts[index]);
            work_->facts[index].reset();
            for (std::size_t e = 0; e < work_->ends.size(); ++e)
                if (index < work_->ends[e]) {
                    handlers = work_->events[e];
                    last = index + 1 == work_->ends[e];
                    break;
                }
            added = work_->nextAppend;
            total = work_->paths.size();
            if (added == total)
                work_->Release();
        }
        if (handlers.append)
            handlers.append(facts);
        if (handlers.progress)
            handlers.progress(added, total);
        if (last && handlers.ended)
            handlers.ended(facts.path);
        // A handler may have cancelled (Clear, Quit).
        std::lock_guard lock(work_->mutex);
        if (work_->cancelled)
            return;
    }
    // More may be ready: go on in a new turn, after what else waits on the loop.
    const std::shared_ptr<Work> work = work_;
    loop_.Post([work, this] {
        {
            std::lock_guard lock(work->mutex);
            if (work->cancelled)
                return;
        }
        Arrived();
    });
}

void FileAdder::Cancel()
{
    std::lock_guard lock(work_->mutex);
    work_->cancelled = true;
    work_->Release();
}

} // namespace ondrevo
