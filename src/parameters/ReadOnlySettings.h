#pragma once
// The parameter database opened only to read it: the command line takes the window's
// choices from it and changes nothing in it, the file list's journal included.

#include <memory>
#include <string>

struct sqlite3;

namespace ondrevo {

class TSqliteQuery;

class ReadOnlySettings {
public:
    // Opens an existing file. Raises EUniError with SQLite's code and message when it
    // cannot be opened or is no database.
    explicit ReadOnlySettings(const std::string& path);
    ~ReadOnlySettings();
    ReadOnlySettings(const ReadOnlySettings&) = delete;
    ReadOnlySettings& operator=(const ReadOnlySettings&) = delete;

    TSqliteQuery& Query() { return *query_; }

private:
    sqlite3* dataBase_ = nullptr;
    std::unique_ptr<TSqliteQuery> query_;
};

} // namespace ondrevo
