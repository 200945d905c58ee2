// The file-list journal on a real database file: whose list comes back at a start, and
// which lists wait for a later one.

#include "support/DatabaseFiles.h"

#include "parameters/ListJournal.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace ondrevo::testing {
namespace {

// A program's session that is left behind with `rows`, ended normally or not.
void LeaveSession(const std::string& db, const SessionOwner& owner, std::vector<JournalRow> rows, bool endNormally)
{
    ListJournal journal(db, owner);
    journal.Record({ true, std::move(rows) });
    if (endNormally)
        journal.EndSession();
}

TEST(ListJournal, TheMostRecentListOfAProgramThatNoLongerRunsComesBackAndOlderOnesWait)
{
    const SessionOwner self = SessionOwner::ThisProcess();
    const JournalRow older { 0, "/clips/older.mp4", 11, { "mp4", "1 MiB", "00:00:05", "100%" }, "" };
    struct Case {
        const char* what;
        SessionOwner owner;
        bool endsNormally;
        std::vector<JournalRow> restored;
        int listsLeft;
        int rowsLeft;
    };
    const Case cases[] = {
        { "the machine went off", { "an earlier boot", self.pid, self.startTime }, false, FiveListRows(), 1, 6 },
        { "the process is gone", { self.bootId, 0x7fffffff, 1 }, false, FiveListRows(), 1, 6 },
        { "its process id was given again", { self.bootId, self.pid, self.startTime + 1 }, false, FiveListRows(), 1,
            6 },
        { "it still runs", self, false, { older }, 0, 6 },
        { "it ended with Quit", { "an earlier boot", 1, 1 }, true, { older }, 0, 1 },
    };
    for (const Case& c : cases) {
        TempDir dir;
        const std::string db = dir.File("LibFFmpeg.Dat");
        CopyShippedDatabase(db);
        LeaveSession(db, { "an earlier boot", 1, 1 }, { older }, false);
        LeaveSession(db, c.owner, FiveListRows(), c.endsNormally);

        ListJournal next(db);
        const ListJournal::RestoredList restored = next.Restore();
        EXPECT_EQ(restored.rows, c.restored) << c.what;
        EXPECT_EQ(restored.listsLeft, c.listsLeft) << c.what;
        EXPECT_EQ(QueryValue(db, "select count(*) from filelist_journal"), std::to_string(c.rowsLeft)) << c.what;
        // What came back is this program's now, so a second crash keeps it too.
        const std::string newest = " where session_id = (select max(session_id) from filelist_session)";
        EXPECT_EQ(QueryValue(db, "select owner_pid, owner_start from filelist_session" + newest),
            std::to_string(self.pid) + "|" + std::to_string(self.startTime))
            << c.what;
        EXPECT_EQ(QueryValue(db, "select count(*) from filelist_journal" + newest), std::to_string(c.restored.size()))
            << c.what;
    }
}

} // namespace
} // namespace ondrevo::testing
