#include "parameters/ListJournal.h"

#include "base/Errors.h"
#include "parameters/JournalStatements.h"
#include "parameters/TSqlDatMod.h"
#include "parameters/TSqliteQuery.h"

#include <sqlite3.h>

namespace ondrevo {

ListJournal::ListJournal(std::string databasePath, SessionOwner owner)
    : databasePath_(std::move(databasePath))
    , owner_(std::move(owner))
    , busyTimeout_(kBusyTimeout)
{
}

ListJournal::~ListJournal()
{
    {
        std::lock_guard lock(queueMutex_);
        stopping_ = true;
    }
    queued_.notify_all();
    if (writer_.joinable())
        writer_.join();
    query_.reset();
    sqlite3_close(dataBase_);
}

void ListJournal::SetBusyTimeout(std::chrono::milliseconds timeout)
{
    std::lock_guard lock(databaseMutex_);
    busyTimeout_ = timeout;
    if (dataBase_)
        sqlite3_busy_timeout(dataBase_, static_cast<int>(timeout.count()));
}

void ListJournal::Record(ListChange change)
{
    std::lock_guard lock(queueMutex_);
    if (ended_ || (change.rows.empty() && !change.wholeList))
        return;
    if (change.wholeList)
        queue_.clear();
    queue_.push_back(std::move(change));
    if (!writer_.joinable()) {
        try {
            writer_ = std::thread([this] { WriterLoop(); });
        } catch (const std::system_error&) {
            // No thread, no journal: the change is given up like a failed write.
            queue_.clear();
            wholeListNeeded_ = true;
            return;
        }
    }
    queued_.notify_one();
}

void ListJournal::Flush()
{
    std::unique_lock lock(queueMutex_);
    idle_.wait(lock, [this] { return queue_.empty() && !writing_; });
}

void ListJournal::WriterLoop()
{
    std::unique_lock lock(queueMutex_);
    for (;;) {
        queued_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
        if (queue_.empty())
            return; // stopping, and everything is written
        std::vector<ListChange> changes;
        changes.swap(queue_);
        writing_ = true;
        lock.unlock();
        Write(changes);
        lock.lock();
        writing_ = false;
        idle_.notify_all();
    }
}

void ListJournal::Write(const std::vector<ListChange>& changes)
{
    std::lock_guard lock(databaseMutex_);
    bool wholeList = false;
    const bool written = InTransaction([&] {
        AddSessionIfNeeded();
        for (const ListChange& change : changes) {
            for (const JournalRow& row : change.rows)
                RunStatement(*query_, WriteJournalRowStatement(sessionId_, row));
            if (change.wholeList)
                RunStatement(*query_, DeleteJournalRowsStatement(sessionId_, static_cast<int>(change.rows.size())));
            wholeList = wholeList || change.wholeList;
        }
        RunStatement(*query_, TouchJournalSessionStatement(sessionId_));
    });
    if (!written)
        wholeListNeeded_ = true;
    else if (wholeList)
        wholeListNeeded_ = false;
}

bool ListJournal::InTransaction(const std::function<void()>& body)
{
    const long long sessionBefore = sessionId_;
    const bool tablesBefore = tablesReady_;
    try {
        Open();
        // Immediate: the write lock is taken first, so two programs writing at once wait
        // for each other instead of each holding a read lock the other needs gone.
        RunStatement(*query_, "begin immediate");
    } catch (const std::exception&) {
        return false;
    }
    try {
        if (!tablesReady_) {
            RunStatement(*query_, CreateJournalSessionTableStatement());
            RunStatement(*query_, CreateJournalRowTableStatement());
            tablesReady_ = true;
        }
        body();
        RunStatement(*query_, "commit");
        return true;
    } catch (const std::exception&) {
        sqlite3_exec(dataBase_, "rollback", nullptr, nullptr, nullptr);
        sessionId_ = sessionBefore;
        tablesReady_ = tablesBefore;
        return false;
    }
}

void ListJournal::Open()
{
    if (dataBase_)
        return;
    sqlite3* dataBase = nullptr;
    const int rc = sqlite3_open_v2(databasePath_.c_str(), &dataBase, SQLITE_OPEN_READWRITE, nullptr);
    if (rc != SQLITE_OK) {
        const std::string message = dataBase ? sqlite3_errmsg(dataBase) : sqlite3_errstr(rc);
        sqlite3_close(dataBase);
        throw EUniError(rc, message);
    }
    sqlite3_busy_timeout(dataBase, static_cast<int>(busyTimeout_.count()));
    dataBase_ = dataBase;
    query_ = std::make_unique<TSqliteQuery>(dataBase_);
}

void ListJournal::AddSessionIfNeeded()
{
    if (sessionId_ != 0)
        return;
    RunStatement(*query_, AddJournalSessionStatement(owner_));
    sessionId_ = sqlite3_last_insert_rowid(dataBase_);
}

ListJournal::EndedSessions ListJournal::FindEndedSessions()
{
    EndedSessions ended;
    long long latestChange = 0;
    RunStatement(*query_, JournalSessionsStatement());
    for (query_->First(); !query_->Eof(); query_->Next()) {
        SessionOwner owner;
        owner.bootId = query_->FieldAsString(1);
        owner.pid = query_->FieldAsInteger(2);
        owner.startTime = query_->FieldAsInteger(3);
        if (query_->FieldAsInteger(0) == sessionId_ || owner.Running())
            continue;
        ended.ids.push_back(query_->FieldAsInteger(0));
        if (ended.ids.size() == 1 || query_->FieldAsInteger(4) > latestChange) {
            latestChange = query_->FieldAsInteger(4);
            ended.latest = ended.ids.back();
        }
    }
    return ended;
}

std::vector<JournalRow> ListJournal::Restore()
{
    Flush();
    std::lock_guard lock(databaseMutex_);
    std::vector<JournalRow> rows;
    if (sessionId_ != 0)
        return rows;
    // Looked at outside a write transaction first: a start after a normal end writes nothing.
    try {
        Open();
        RunStatement(*query_, JournalTablesStatement());
        if (query_->FieldAsInteger(0) < 2 || FindEndedSessions().ids.empty())
            return rows;
    } catch (const std::exception&) {
        return rows;
    }
    // Found again inside the transaction: another program starting now may have taken it.
    const bool taken = InTransaction([&] {
        const EndedSessions ended = FindEndedSessions();
        if (ended.ids.empty())
            return;
        AddSessionIfNeeded();
        RunStatement(*query_, MoveJournalRowsStatement(ended.latest, sessionId_));
        for (long long session : ended.ids) {
            RunStatement(*query_, DeleteJournalRowsStatement(session));
            RunStatement(*query_, DeleteJournalSessionStatement(session));
        }
        RunStatement(*query_, JournalRowsStatement(sessionId_));
        for (query_->First(); !query_->Eof(); query_->Next()) {
            JournalRow row;
            row.position = static_cast<int>(query_->FieldAsInteger(0));
            row.caption = query_->FieldAsString(1);
            row.imageIndex = static_cast<int>(query_->FieldAsInteger(2));
            for (std::size_t k = 0; k < row.subItems.size(); ++k)
                row.subItems[k] = query_->FieldAsString(static_cast<int>(k) + 3);
            row.hint = query_->FieldAsString(7);
            rows.push_back(std::move(row));
        }
    });
    if (!taken)
        rows.clear();
    return rows;
}

void ListJournal::EndSession()
{
    {
        std::lock_guard lock(queueMutex_);
        ended_ = true;
    }
    Flush();
    std::lock_guard lock(databaseMutex_);
    if (sessionId_ == 0)
        return;
    const long long session = sessionId_;
    if (InTransaction([&] {
            RunStatement(*query_, DeleteJournalRowsStatement(session));
            RunStatement(*query_, DeleteJournalSessionStatement(session));
        }))
        sessionId_ = 0;
}

} // namespace ondrevo
