#pragma once
// The parameter database opened only to read it: the command line takes the window's
// choices from it and changes nothing in it, the file list's journal included.

#include <atomic>
#include <chrono>
#include <memory>
#include <string>

struct sqlite3;

namespace ondrevo {

class TSqliteQuery;

// Where a reader on another thread finds the settings file, and how long it waits for a
// lock on it.
struct SettingsPlace {
    std::string path;
    std::chrono::milliseconds busyTimeout { 5000 };
};

class ReadOnlySettings {
public:
    // Opens an existing file. Raises EUniError with SQLite's code and message when it
    // cannot be opened or is no database.
    explicit ReadOnlySettings(const std::string& path);
    // The same, waiting at most `busyTimeout` for a lock another program holds, and not
    // at all once `giveUp` is set (a reader on a thread of its own that is going away).
    ReadOnlySettings(const std::string& path, std::chrono::milliseconds busyTimeout,
        const std::atomic<bool>* giveUp = nullptr);
    ~ReadOnlySettings();
    ReadOnlySettings(const ReadOnlySettings&) = delete;
    ReadOnlySettings& operator=(const ReadOnlySettings&) = delete;

    TSqliteQuery& Query() { return *query_; }

private:
    static int WaitForLock(void* self, int tries);

    sqlite3* dataBase_ = nullptr;
    std::chrono::milliseconds busyTimeout_;
    const std::atomic<bool>* giveUp_ = nullptr;
    std::unique_ptr<TSqliteQuery> query_;
};

} // namespace ondrevo
