#pragma once
// Adds many files to the list without freezing the window: the media queries run on
// worker threads (at most one per core at once), and the rows are appended on the UI
// loop in the order given, as their facts arrive. Files given while an add runs join
// its end. A file the library cannot read is added all the same; the conversion marks
// it failed later. UI thread, except where said.

#include "base/EventLoop.h"

#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace ondrevo {

class IFileList;

namespace file_list {

// The cells of a row as a single Add fills them.
struct RowFacts {
    std::string path;
    std::string type, size, playingTime;
};
// Any thread, once the media library is loaded. Nothing when it is not bound.
bool QueryRowFacts(const std::string& path, RowFacts& facts);

// The files to add for a drop: each dropped file as it is, and for each dropped folder
// every file below it (subfolders too) whose type is among the Add dialog's video
// types, in path order. Anything else (a missing path, a device) is passed over.
std::vector<std::string> ExpandDropped(const std::vector<std::string>& paths);
// Whether the name has one of the Add dialog's video types, in any letter case.
bool IsVideoFileName(const std::string& name);

} // namespace file_list

class FileAdder {
public:
    struct Events {
        // A row is to be appended (in the order given).
        std::function<void(const file_list::RowFacts&)> append;
        // `added` of `total` rows are in the list.
        std::function<void(std::size_t added, std::size_t total)> progress;
        // The last row is in; `last` is its path.
        std::function<void(const std::string& last)> ended;
    };

    FileAdder(IEventLoop& loop, unsigned workers);
    // Cancels what is left and waits for the workers.
    ~FileAdder();
    FileAdder(const FileAdder&) = delete;
    FileAdder& operator=(const FileAdder&) = delete;

    // Adds `paths` after whatever is still being added. False when the media library
    // cannot be loaded (nothing is added then).
    bool Add(std::vector<std::string> paths, Events events);
    // Drops what has not been appended yet; no event follows.
    void Cancel();
    bool Running() const;

private:
    struct Work;
    void Arrived();
    void StartWorkers();

    IEventLoop& loop_;
    unsigned workers_;
    std::shared_ptr<Work> work_;
};

} // namespace ondrevo
