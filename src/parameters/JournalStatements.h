#pragma once
// The statements of the file-list journal, composed as text like those of Statements.h.
// filelist_session has one row per running program that has written its list, with
// its owner (see SessionOwner) and a counter that orders sessions by their last write;
// filelist_journal holds the rows of each session's list by position. Both tables are
// created when missing, so a database from before the journal works unchanged.

#include <string>
#include <vector>

namespace ondrevo {

struct JournalRow;
struct SessionOwner;

std::string CreateJournalSessionTableStatement();
std::string CreateJournalRowTableStatement();
// The row columns that journals written by earlier versions may lack (file_phase,
// file_output, file_part, file_part_id); whether one is there (a count of 1), and the
// statement that adds it.
const std::vector<std::string>& LaterJournalColumns();
std::string JournalColumnStatement(const std::string& column);
std::string AddJournalColumnStatement(const std::string& column);
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
// file_size, file_time, file_percent, file_hint, then the later columns in their order,
// each read as '' when `present` does not name it.
std::string JournalRowsStatement(long long session, const std::vector<std::string>& present);

// The folders parts were made in, the most recently used first.
std::string CreatePartFolderTableStatement();
// Whether that table exists (a count of 1).
std::string PartFolderTableStatement();
std::string NotePartFolderStatement(const std::string& folder);
std::string PartFoldersStatement();
// Keeps the `kept` most recently used folders.
std::string TrimPartFoldersStatement(int kept);

} // namespace ondrevo
