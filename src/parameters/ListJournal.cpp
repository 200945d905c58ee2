#include "parameters/ListJournal.h"

#include "base/Errors.h"
#include "parameters/JournalStatements.h"
#include "parameters/TSqlDatMod.h"
#include "parameters/TSqliteQuery.h"

#include <algorithm>
#include <climits>
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

void ListJournal::SetRetryDelay(std::chrono::milliseconds delay)
{
    std::lock_guard lock(queueMutex_);
    retryDelay_ = delay;
}

void ListJournal::SetHealthReport(HealthReport report)
{
    std::lock_guard lock(queueMutex_);
    healthReport_ = std::move(report);
}

void ListJournal::Record(ListChange change)
{
    std::lock_guard lock(queueMutex_);
    if (ended_ || (change.rows.empty() && !change.wholeList && change.partFolders.empty()))
        return;
    unwritten_.Add(std::move(change));
    ++recorded_;
    StartWriter();
}

void ListJournal::StartWriter()
{
    if (!writer_.joinable()) {
        try {
            writer_ = std::thread([this] { WriterLoop(); });
        } catch (const std::system_error&) {
            // No thread now: the changes stay unwritten until a later change starts one.
            triedUpTo_ = recorded_;
            return;
        }
    }
    queued_.notify_one();
}

void ListJournal::Flush()
{
    std::unique_lock lock(queueMutex_);
    const std::uint64_t target = recorded_;
    tried_.wait(lock, [&] { return triedUpTo_ >= target; });
}

void ListJournal::WriterLoop()
{
    std::unique_lock lock(queueMutex_);
    for (;;) {
        const auto fresh = [this] { return stopping_ || recorded_ > triedUpTo_; };
        if (failing_)
            queued_.wait_for(lock, retryDelay_, fresh); // then tried again, changed or not
        else
            queued_.wait(lock, fresh);
        const bool lastTry = stopping_;
        const std::uint64_t upTo = recorded_;
        if (unwritten_.Empty()) {
            triedUpTo_ = upTo;
            tried_.notify_all();
            if (lastTry)
                return;
            continue;
        }
        UnwrittenChanges changes = std::move(unwritten_);
        unwritten_ = {};
        lock.unlock();
        const std::optional<std::string> failure = Write(changes);
        lock.lock();
        if (failure) {
            // Kept, with what came meanwhile after it, for the next try.
            changes.Add(std::move(unwritten_));
            unwritten_ = std::move(changes);
        }
        const bool healthChanged = failing_ != failure.has_value();
        failing_ = failure.has_value();
        triedUpTo_ = upTo;
        tried_.notify_all();
        if (healthChanged && healthReport_) {
            const HealthReport report = healthReport_;
            lock.unlock();
            report(failure.has_value(), failure.value_or(""));
            lock.lock();
        }
        if (lastTry)
            return;
    }
}

std::optional<std::string> ListJournal::Write(const UnwrittenChanges& changes)
{
    std::lock_guard lock(databaseMutex_);
    if (changes.end) {
        if (sessionId_ == 0 && !taken_)
            return std::nullopt;
        const long long session = sessionId_;
        auto failure = InTransaction([&] {
            if (session != 0) {
                RunStatement(*query_, DeleteJournalRowsStatement(session));
                RunStatement(*query_, DeleteJournalSessionStatement(session));
            }
            RemoveTakenSession();
        });
        if (!failure) {
            sessionId_ = 0;
            taken_.reset();
        }
        return failure;
    }
    auto failure = InTransaction([&] {
        RemoveTakenSession();
        AddSessionIfNeeded();
        if (changes.cutAt)
            RunStatement(*query_, DeleteJournalRowsStatement(sessionId_, *changes.cutAt));
        for (const auto& [position, row] : changes.rows)
            RunStatement(*query_, WriteJournalRowStatement(sessionId_, row));
        for (const std::string& folder : changes.partFolders)
            RunStatement(*query_, NotePartFolderStatement(folder));
        if (!changes.partFolders.empty())
            RunStatement(*query_, TrimPartFoldersStatement(kKeptPartFolders));
        RunStatement(*query_, TouchJournalSessionStatement(sessionId_));
    });
    if (!failure)
        taken_.reset();
    return failure;
}

std::optional<std::string> ListJournal::InTransaction(const std::function<void()>& body)
{
    const long long sessionBefore = sessionId_;
    const bool tablesBefore = tablesReady_;
    try {
        Open();
        // Immediate: the write lock is taken first, so two programs writing at once wait
        // for each other instead of each holding a read lock the other needs gone.
        RunStatement(*query_, "begin immediate");
    } catch (const std::exception& e) {
        return e.what();
    }
    try {
        if (!tablesReady_) {
            RunStatement(*query_, CreateJournalSessionTableStatement());
            RunStatement(*query_, CreateJournalRowTableStatement());
            RunStatement(*query_, CreatePartFolderTableStatement());
            AddLaterColumns();
            tablesReady_ = true;
        }
        body();
        RunStatement(*query_, "commit");
        return std::nullopt;
    } catch (const std::exception& e) {
        sessionId_ = sessionBefore;
        tablesReady_ = tablesBefore;
        // A connection that met a write error starts afresh at the next try.
        sqlite3_exec(dataBase_, "rollback", nullptr, nullptr, nullptr);
        query_.reset();
        sqlite3_close(dataBase_);
        dataBase_ = nullptr;
        return e.what();
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

void ListJournal::RemoveTakenSession()
{
    if (!taken_)
        return;
    // Its id may have been given to a new session since another program took it.
    for (const Session& session : Sessions())
        if (session.id == taken_->id && session.owner == taken_->owner) {
            RunStatement(*query_, DeleteJournalRowsStatement(session.id));
            RunStatement(*query_, DeleteJournalSessionStatement(session.id));
        }
}

std::vector<ListJournal::Session> ListJournal::Sessions()
{
    std::vector<Session> sessions;
    RunStatement(*query_, JournalSessionsStatement());
    for (query_->First(); !query_->Eof(); query_->Next()) {
        Session session;
        session.id = query_->FieldAsInteger(0);
        session.owner.bootId = query_->FieldAsString(1);
        session.owner.pid = query_->FieldAsInteger(2);
        session.owner.startTime = query_->FieldAsInteger(3);
        session.changed = query_->FieldAsInteger(4);
        session.rows = query_->FieldAsInteger(5);
        sessions.push_back(std::move(session));
    }
    return sessions;
}

std::vector<ListJournal::Session> ListJournal::EndedSessions()
{
    std::vector<Session> ended;
    for (Session& session : Sessions())
        if (session.id != sessionId_ && !session.owner.Running())
            ended.push_back(std::move(session));
    std::stable_sort(
        ended.begin(), ended.end(), [](const Session& a, const Session& b) { return a.changed > b.changed; });
    return ended;
}

void ListJournal::AddLaterColumns()
{
    for (const std::string& column : LaterJournalColumns()) {
        RunStatement(*query_, JournalColumnStatement(column));
        if (query_->FieldAsInteger(0) == 0)
            RunStatement(*query_, AddJournalColumnStatement(column));
    }
}

std::vector<std::string> ListJournal::PresentLaterColumns()
{
    std::vector<std::string> present;
    for (const std::string& column : LaterJournalColumns()) {
        RunStatement(*query_, JournalColumnStatement(column));
        if (query_->FieldAsInteger(0) != 0)
            present.push_back(column);
    }
    return present;
}

std::vector<JournalRow> ListJournal::SessionRows(long long session)
{
    std::vector<JournalRow> rows;
    RunStatement(*query_, JournalRowsStatement(session, PresentLaterColumns()));
    for (query_->First(); !query_->Eof(); query_->Next()) {
        JournalRow row;
        row.position = static_cast<int>(rows.size());
        row.caption = query_->FieldAsString(1);
        // A cell edited by hand may hold text; SQLite would read "11x" as 11.
        const long long image = query_->FieldAsInteger(2);
        const bool whole = query_->FieldAsString(2) == std::to_string(image) && image >= INT_MIN && image <= INT_MAX;
        row.imageIndex = whole ? static_cast<int>(image) : -1;
        for (std::size_t k = 0; k < row.subItems.size(); ++k)
            row.subItems[k] = query_->FieldAsString(static_cast<int>(k) + 3);
        row.hint = query_->FieldAsString(7);
        row.phase = query_->FieldAsString(8);
        row.output = query_->FieldAsString(9);
        row.part = query_->FieldAsString(10);
        row.partId = query_->FieldAsString(11);
        rows.push_back(std::move(row));
    }
    return rows;
}

ListJournal::RestoredList ListJournal::Restore()
{
    Flush();
    std::lock_guard lock(databaseMutex_);
    RestoredList restored;
    if (sessionId_ != 0 || taken_)
        return restored;
    // Looked at outside a write transaction first: a start after a normal end writes nothing.
    try {
        Open();
        RunStatement(*query_, JournalTablesStatement());
        if (query_->FieldAsInteger(0) < 2 || EndedSessions().empty())
            return restored;
    } catch (const std::exception&) {
        return restored;
    }
    // Found again inside the transaction: another program starting now may have taken it.
    const auto failure = InTransaction([&] {
        restored = {};
        for (const Session& session : EndedSessions()) {
            if (session.rows == 0) {
                RunStatement(*query_, DeleteJournalSessionStatement(session.id));
            } else if (restored.rows.empty()) {
                AddSessionIfNeeded();
                RunStatement(*query_, MoveJournalRowsStatement(session.id, sessionId_));
                RunStatement(*query_, DeleteJournalSessionStatement(session.id));
                restored.rows = SessionRows(sessionId_);
            } else {
                ++restored.listsLeft;
            }
        }
    });
    if (!failure)
        return restored;
    // The file can be read but not written (a full disk, a read-only file): the list is
    // shown all the same, and taken over once a write gets through.
    restored = {};
    try {
        Open();
        for (const Session& session : EndedSessions()) {
            if (session.rows == 0)
                continue;
            if (!taken_) {
                restored.rows = SessionRows(session.id);
                taken_ = session;
            } else {
                ++restored.listsLeft;
            }
        }
    } catch (const std::exception&) {
        restored = {};
        taken_.reset();
    }
    return restored;
}

std::vector<std::string> ListJournal::PartFolders()
{
    std::lock_guard lock(databaseMutex_);
    std::vector<std::string> folders;
    try {
        Open();
        RunStatement(*query_, PartFolderTableStatement());
        if (query_->FieldAsInteger(0) == 0)
            return folders;
        RunStatement(*query_, PartFoldersStatement());
        for (query_->First(); !query_->Eof(); query_->Next())
            folders.push_back(query_->FieldAsString(0));
    } catch (const std::exception&) {
        folders.clear();
    }
    return folders;
}

void ListJournal::EndSession()
{
    {
        std::lock_guard lock(queueMutex_);
        ended_ = true;
        unwritten_ = {};
        unwritten_.end = true;
        ++recorded_;
        StartWriter();
    }
    Flush();
}

} // namespace ondrevo
