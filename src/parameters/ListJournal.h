#pragma once
// The journal of the file list, kept in the parameter database so that the list of a
// program that ended without Quit (killed, crashed, machine off) comes back at the next
// start. Each running program writes a session of its own (see SessionOwner), so two
// copies started from one folder never take over each other's list.
//
// Writing costs a transaction with its disk flushes, so the UI thread only queues
// changes: a writer thread of the journal writes them on a connection of its own, all
// that is queued at a time in one transaction, waiting out other programs' locks like
// the data module does. A write that fails is never reported (the list itself works
// without it); the next change then carries the whole list. Nothing is written, and no
// table created, before the first change.

#include "parameters/JournalRow.h"
#include "parameters/SessionOwner.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct sqlite3;

namespace ondrevo {

class TSqliteQuery;

class ListJournal {
public:
    // `databasePath` names an existing database file; its tables are created when first needed.
    explicit ListJournal(std::string databasePath, SessionOwner owner = SessionOwner::ThisProcess());
    // Writes what is still queued, then stops; the session stays for the next start.
    ~ListJournal();
    ListJournal(const ListJournal&) = delete;
    ListJournal& operator=(const ListJournal&) = delete;

    void SetBusyTimeout(std::chrono::milliseconds timeout);

    // UI thread. Queues one change and returns at once; a change with the whole list
    // makes what is queued before it moot.
    void Record(ListChange change);
    // Whether the last write failed, so that the next change should carry the whole list.
    bool NeedsWholeList() const { return wholeListNeeded_; }
    // Waits until everything queued is written or given up.
    void Flush();

    // UI thread, before the first change. Takes over the list of the most recently
    // changed session whose program no longer runs and returns its rows as they were
    // written; older such sessions are removed. Nothing when there is none, when this
    // session has written already, or when the database refuses.
    std::vector<JournalRow> Restore();
    // The program's normal end: writes what is queued, then removes this session. Later
    // changes are ignored.
    void EndSession();

private:
    struct EndedSessions {
        std::vector<long long> ids;
        long long latest = 0; // the most recently changed of them
    };

    void WriterLoop();
    void Write(const std::vector<ListChange>& changes);
    // Runs `body` in a write transaction on the journal's connection, opened when needed.
    // The caller holds databaseMutex_. Returns whether it was committed.
    bool InTransaction(const std::function<void()>& body);
    void Open();
    void AddSessionIfNeeded();
    // The sessions whose program no longer runs.
    EndedSessions FindEndedSessions();

    const std::string databasePath_;
    const SessionOwner owner_;
    std::atomic<bool> wholeListNeeded_ { false };

    // The connection and what lives in the database; the writer holds the mutex for a
    // transaction, the UI thread for Restore and EndSession.
    std::mutex databaseMutex_;
    std::chrono::milliseconds busyTimeout_;
    sqlite3* dataBase_ = nullptr;
    std::unique_ptr<TSqliteQuery> query_;
    long long sessionId_ = 0; // 0 until the session's first write
    bool tablesReady_ = false;

    // The queue between the UI thread and the writer.
    std::mutex queueMutex_;
    std::condition_variable queued_;
    std::condition_variable idle_;
    std::vector<ListChange> queue_;
    bool writing_ = false;
    bool stopping_ = false;
    bool ended_ = false;
    std::thread writer_; // started with the first change
};

} // namespace ondrevo
