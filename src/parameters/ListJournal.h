#pragma once
// The journal of the file list, kept in the parameter database so that the list of a
// program that ended without Quit (killed, crashed, machine off) comes back at the next
// start. Each running program writes a session of its own (see SessionOwner), so two
// copies started from one folder never take over each other's list.
//
// Writing costs a transaction with its disk flushes, so the UI thread only queues
// changes: a writer thread of the journal writes them on a connection of its own, all
// that is queued at a time in one transaction, waiting out other programs' locks like
// the data module does. A write that fails (a full disk, a read-only file, a lock held
// too long) keeps its changes: they are merged with later ones and tried again with the
// next change, or after a pause, until they are written. The health report says when
// writing starts failing and when it gets through again. Nothing is written, and no
// table created, before the first change.

#include "parameters/JournalRow.h"
#include "parameters/SessionOwner.h"
#include "parameters/UnwrittenChanges.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

struct sqlite3;

namespace ondrevo {

class TSqliteQuery;

class ListJournal {
public:
    // Called on the writer thread: `failing` with the database's reason when a write
    // fails after the last one got through (once per such spell), and not `failing`,
    // with no reason, when a write gets through again after failures.
    using HealthReport = std::function<void(bool failing, const std::string& reason)>;

    // `databasePath` names an existing database file; its tables are created when first needed.
    explicit ListJournal(std::string databasePath, SessionOwner owner = SessionOwner::ThisProcess());
    // Tries once more to write what is still unwritten, then stops; the session stays for
    // the next start.
    ~ListJournal();
    ListJournal(const ListJournal&) = delete;
    ListJournal& operator=(const ListJournal&) = delete;

    void SetBusyTimeout(std::chrono::milliseconds timeout);
    // How long the writer waits after a failed write before it tries again on its own.
    void SetRetryDelay(std::chrono::milliseconds delay);
    // Set before the first change.
    void SetHealthReport(HealthReport report);

    // UI thread. Queues one change and returns at once.
    void Record(ListChange change);
    // Waits until everything queued so far has been tried once: written, or kept for
    // the next try.
    void Flush();

    struct RestoredList {
        std::vector<JournalRow> rows;
        // Lists of other programs that ended without Quit, left for the next starts.
        int listsLeft = 0;
    };
    // UI thread, before the first change. Takes over the list of the most recently
    // changed session whose program no longer runs and returns its rows as they were
    // written (the image as -1 where the cell holds no whole number). Older such lists
    // stay, each for a later start; sessions with no rows are removed. Nothing when there
    // is none, when this session has written already, or when the database cannot be
    // read. When the database can be read but not written, the rows are returned all
    // the same and the list is taken over with the first write that gets through.
    RestoredList Restore();
    // UI thread. The folders that parts of conversions were made in, noted with the rows
    // (see ListChange), the most recently used first: what a killed program left there
    // is removed at later starts. Nothing when the database cannot be read.
    std::vector<std::string> PartFolders();
    // How many folders are kept.
    static constexpr int kKeptPartFolders = 32;

    // The program's normal end: drops what is queued and removes this session (and a
    // list taken over but not yet written), trying again until the journal ends when
    // that fails. Later changes are ignored.
    void EndSession();

private:
    struct Session {
        long long id = 0;
        SessionOwner owner;
        long long changed = 0;
        long long rows = 0;
    };

    // Starts the writer when it is not running yet, and wakes it. Holds queueMutex_.
    void StartWriter();
    void WriterLoop();
    // Writes on the journal's connection; returns the database's reason when it fails.
    std::optional<std::string> Write(const UnwrittenChanges& changes);
    // Runs `body` in a write transaction on the journal's connection, opened when needed.
    // The caller holds databaseMutex_. Returns the reason when it was not committed.
    std::optional<std::string> InTransaction(const std::function<void()>& body);
    void Open();
    void AddSessionIfNeeded();
    // Removes the session taken over by Restore, unless another program took it meanwhile.
    void RemoveTakenSession();
    std::vector<Session> Sessions();
    // The sessions whose program no longer runs, the most recently changed first.
    std::vector<Session> EndedSessions();
    std::vector<JournalRow> SessionRows(long long session);
    // Gives a journal written by an earlier version the row columns it lacks.
    void AddLaterColumns();
    // Those of the later row columns that the journal has.
    std::vector<std::string> PresentLaterColumns();

    const std::string databasePath_;
    const SessionOwner owner_;

    // The connection and what lives in the database; the writer holds the mutex for a
    // transaction, the UI thread for Restore.
    std::mutex databaseMutex_;
    std::chrono::milliseconds busyTimeout_;
    sqlite3* dataBase_ = nullptr;
    std::unique_ptr<TSqliteQuery> query_;
    long long sessionId_ = 0; // 0 until the session's first write
    bool tablesReady_ = false;
    // A list Restore returned without taking it over: removed with the first write.
    std::optional<Session> taken_;

    // The queue between the UI thread and the writer.
    std::mutex queueMutex_;
    std::condition_variable queued_;
    std::condition_variable tried_;
    UnwrittenChanges unwritten_;
    std::uint64_t recorded_ = 0; // changes recorded so far
    std::uint64_t triedUpTo_ = 0; // changes recorded before the writer's last try
    bool failing_ = false; // the last try failed
    std::chrono::milliseconds retryDelay_ { 3000 };
    bool stopping_ = false;
    bool ended_ = false;
    HealthReport healthReport_;
    std::thread writer_; // started with the first change
};

} // namespace ondrevo
