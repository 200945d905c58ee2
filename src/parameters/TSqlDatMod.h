#pragma once
// The data module: owns the connection to the parameter database, the single query
// through which every statement runs, and the journal of the file list.

#include <chrono>
#include <memory>
#include <string>

struct sqlite3;

namespace ondrevo {

class ListJournal;
class TSqliteQuery;

// How long a statement waits for a lock another connection holds (a second copy of the
// program, a backup tool) before it fails with "database is locked".
constexpr std::chrono::milliseconds kBusyTimeout { 5000 };

class TSqlDatMod {
public:
    // Opens the database by its name relative to the working directory, read-write and
    // created when missing. Raises EUniError with SQLite's code and message.
    explicit TSqlDatMod(const std::string& databaseName = "LibFFmpeg.Dat");
    ~TSqlDatMod();
    TSqlDatMod(const TSqlDatMod&) = delete;
    TSqlDatMod& operator=(const TSqlDatMod&) = delete;

    TSqliteQuery& SqliteQuery() { return *query_; }
    // The open connection, for tools and tests that watch or inspect it.
    sqlite3* DataBase() const { return dataBase_; }
    // The database file's full path.
    std::string FileName() const;
    // The journal of the file list, on a connection of its own to the same file.
    ListJournal& Journal() { return *journal_; }
    // The lock wait of the connection and of the journal's; kBusyTimeout unless changed.
    void SetBusyTimeout(std::chrono::milliseconds timeout);
    std::chrono::milliseconds BusyTimeout() const { return busyTimeout_; }

    // A choice the database refuses to store is reported once: further refusals stay
    // silent until a choice is stored again, so a lasting lock does not bring a box for
    // every pick. TakeSaveFailureReport tells whether this refusal is the one to report.
    bool TakeSaveFailureReport();
    void ChoiceSaved() { saveFailureReported_ = false; }

private:
    sqlite3* dataBase_ = nullptr;
    std::unique_ptr<TSqliteQuery> query_;
    std::unique_ptr<ListJournal> journal_;
    bool saveFailureReported_ = false;
    std::chrono::milliseconds busyTimeout_ = kBusyTimeout;
};

// The program-wide data module; null before start-up creates it.
extern TSqlDatMod* SqlDatMod;

} // namespace ondrevo
