#pragma once
// The statements of the file-list journal, composed as text like those of Statements.h.
// filelist_session has one row per running program that has written its list, with
// its owner (see SessionOwner) and a counter that orders sessions by their last write;
// filelist_journal holds the rows of each session's list by position. Both tables are
// created when missing, so a database from before the journal works unchanged.

#include <string>

namespace ondrevo {

struct JournalRow;
struct SessionOwner;

std::string CreateJournalSessionTableStatement();
std::string CreateJournalRowTableStatement();
// Journals written before rows kept their phase lack its column: whether it is there
// (a count of 1), and the statement that adds it.
std::string JournalPhaseColumnStatement();
std::string AddJournalPhaseColumnStatement();
// The number of the two journal tables that exist.
std::string JournalTablesStatement();

// Every session: session_id, boot_id, owner_pid, owner_start, changed, and the number of
// its rows.
std::string JournalSessionsStatement();
// A new session of `owner`, the most recently changed one.
std::string AddJournalSessionStatement(const SessionOwner& owner);
// Marks a session as the most recently changed one.
std::string TouchJournalSessionStatement(long long session);
std::string DeleteJournalSessionStatement(long long session);

// Writes a row at its position, replacing what was there.
std::string WriteJournalRowStatement(long long session, const JournalRow& row);
// Removes a session's rows from `position` on (all of them for 0).
std::string DeleteJournalRowsStatement(long long session, int position = 0);
// Gives the rows of one session to another.
std::string MoveJournalRowsStatement(long long fromSession, long long toSession);
// A session's rows in list order: file_pos, file_name, file_image, file_type,
// file_size, file_time, file_percent, file_hint.
std::string JournalRowsStatement(long long session);

} // namespace ondrevo
