#pragma once
// The parameter database as the tests reach it: direct access to a database file, a log
// of the statements a connection runs, and other programs holding or changing the file.

#include "base/Controls.h"
#include "parameters/JournalRow.h"
#include "support/TempDir.h"

#include <functional>
#include <ostream>
#include <string>
#include <vector>

struct sqlite3;

namespace ondrevo {
// How a failing expectation shows a row: its cells, not its bytes.
void PrintTo(const JournalRow& row, std::ostream* out);
} // namespace ondrevo

namespace ondrevo::testing {

// Copies the shipped database to `path`.
void CopyShippedDatabase(const std::string& path);

// Runs SQL on a database file through a connection of its own; fails the test on error.
void ExecuteSql(const std::string& path, const std::string& sql);
// The rows of a query as lines of "|"-separated values (NULL shows as "<null>").
std::vector<std::string> QueryRows(const std::string& path, const std::string& sql);
// One value of a query, "" when there is no row.
std::string QueryValue(const std::string& path, const std::string& sql);
// Everything the program may store: the saved positions and the output folder.
std::vector<std::string> StoredState(const std::string& path);
// Write transactions committed on a database file so far, by any connection: the
// change counter in its header.
unsigned WriteTransactions(const std::string& path);

// A file list in every state a batch leaves: waiting, converting, converted, failed (with
// the encoder's reason) and stopped.
const std::vector<JournalRow>& FiveListRows();
// The rows of a list as the journal keeps them.
std::vector<JournalRow> ListRows(const IFileList& list);

// Records the text of every statement that runs on a connection while it lives.
class StatementLog {
public:
    explicit StatementLog(sqlite3* dataBase);
    ~StatementLog();
    std::vector<std::string> statements;

private:
    sqlite3* dataBase_;
};

// A forked copy of the test program running `scenario`: another copy of Ondrevo beside
// the test's own. Fork before the test opens the database, as SQLite's locks do not
// survive a fork. Result() reads back what the scenario returned; the child then ends
// without any clean-up, or, when it `staysAlive`, runs until Kill() or the object's end.
class ForkedChild {
public:
    explicit ForkedChild(const std::function<std::string()>& scenario, bool staysAlive = false);
    ~ForkedChild();
    ForkedChild(const ForkedChild&) = delete;
    ForkedChild& operator=(const ForkedChild&) = delete;
    // What the scenario returned; a scenario that raised fails the test.
    std::string Result();
    // Ends the child with SIGKILL, as a crash or `kill -9` would, and waits until it is gone.
    void Kill();

private:
    int pid_ = -1;
    int output_ = -1;
};

// Another program holding a lock on a database file (an outside sqlite3 process in
// BEGIN IMMEDIATE): the file can be read, not written; an `exclusive` lock (BEGIN
// EXCLUSIVE) keeps it from being read too. The lock is held once the constructor
// returns, and ends after `holdSeconds` or with Release().
class LockHolder {
public:
    explicit LockHolder(const std::string& path, double holdSeconds = 60, bool exclusive = false);
    ~LockHolder();
    LockHolder(const LockHolder&) = delete;
    LockHolder& operator=(const LockHolder&) = delete;
    void Release();

private:
    int pid_ = -1;
};

// Runs `scenario` in a forked child that cannot write files it does not own: as root
// it gives up its rights and runs as nobody (uid and gid 65534). Returns what the
// scenario returned; a child that fails or cannot drop its rights fails the test.
// `skipped` is set when the system does not let the child change its identity.
std::string RunWithoutWriteRights(const std::function<std::string()>& scenario, bool& skipped);

} // namespace ondrevo::testing
