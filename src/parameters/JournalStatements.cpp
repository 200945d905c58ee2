#include "parameters/JournalStatements.h"

#include "parameters/JournalRow.h"
#include "parameters/SessionOwner.h"
#include "parameters/Statements.h"

#include <algorithm>

namespace ondrevo {
namespace {

std::string NextChange()
{
    return "(select coalesce(max(changed), 0) + 1 from filelist_session)";
}

} // namespace

std::string CreateJournalSessionTableStatement()
{
    return "create table if not exists filelist_session (session_id INTEGER NOT NULL PRIMARY KEY, "
           "boot_id TEXT NOT NULL, owner_pid INTEGER NOT NULL, owner_start INTEGER NOT NULL, "
           "changed INTEGER NOT NULL)";
}

std::string CreateJournalRowTableStatement()
{
    return "create table if not exists filelist_journal (session_id INTEGER NOT NULL, file_pos INTEGER NOT NULL, "
           "file_name TEXT NOT NULL, file_image INTEGER NOT NULL, file_type TEXT NOT NULL, "
           "file_size TEXT NOT NULL, file_time TEXT NOT NULL, file_percent TEXT NOT NULL, "
           "file_hint TEXT NOT NULL, file_phase TEXT NOT NULL DEFAULT '', file_output TEXT NOT NULL DEFAULT '', "
           "file_part TEXT NOT NULL DEFAULT '', file_part_id TEXT NOT NULL DEFAULT '', "
           "PRIMARY KEY (session_id, file_pos))";
}

const std::vector<std::string>& LaterJournalColumns()
{
    static const std::vector<std::string> columns { "file_phase", "file_output", "file_part", "file_part_id" };
    return columns;
}

std::string JournalColumnStatement(const std::string& column)
{
    return "select count(*) from pragma_table_info('filelist_journal') where name = " + SqlText(column);
}

std::string AddJournalColumnStatement(const std::string& column)
{
    return "alter table filelist_journal add column " + column + " TEXT NOT NULL DEFAULT ''";
}

std::string JournalTablesStatement()
{
    return "select count(*) from sqlite_master where type = 'table' and name in ('filelist_session', "
           "'filelist_journal')";
}

std::string JournalSessionsStatement()
{
    return "select session_id,boot_id,owner_pid,owner_start,changed,(select count(*) from filelist_journal j "
           "where j.session_id = s.session_id) from filelist_session s";
}

std::string AddJournalSessionStatement(const SessionOwner& owner)
{
    return "insert into filelist_session (boot_id, owner_pid, owner_start, changed) values (" + SqlText(owner.bootId)
        + ", " + SqlNumber(owner.pid) + ", " + SqlNumber(owner.startTime) + ", " + NextChange() + ")";
}

std::string TouchJournalSessionStatement(long long session)
{
    return "update filelist_session set changed = " + NextChange() + " where session_id = " + SqlNumber(session);
}

std::string DeleteJournalSessionStatement(long long session)
{
    return "delete from filelist_session where session_id = " + SqlNumber(session);
}

std::string WriteJournalRowStatement(long long session, const JournalRow& row)
{
    std::string sql = "insert or replace into filelist_journal (session_id, file_pos, file_name, file_image, "
                      "file_type, file_size, file_time, file_percent, file_hint, file_phase, file_output, file_part, "
                      "file_part_id) values ("
        + SqlNumber(session) + ", " + SqlNumber(row.position) + ", " + SqlText(row.caption) + ", "
        + SqlNumber(row.imageIndex);
    for (const std::string& subItem : row.subItems)
        sql += ", " + SqlText(subItem);
    return sql + ", " + SqlText(row.hint) + ", " + SqlText(row.phase) + ", " + SqlText(row.output) + ", "
        + SqlText(row.part) + ", " + SqlText(row.partId) + ")";
}

std::string DeleteJournalRowsStatement(long long session, int position)
{
    std::string sql = "delete from filelist_journal where session_id = " + SqlNumber(session);
    if (position > 0)
        sql += " and file_pos >= " + SqlNumber(position);
    return sql;
}

std::string MoveJournalRowsStatement(long long fromSession, long long toSession)
{
    return "update filelist_journal set session_id = " + SqlNumber(toSession)
        + " where session_id = " + SqlNumber(fromSession);
}

std::string JournalRowsStatement(long long session, const std::vector<std::string>& present)
{
    std::string sql = "select file_pos,file_name,file_image,file_type,file_size,file_time,file_percent,file_hint";
    for (const std::string& column : LaterJournalColumns())
        sql += std::find(present.begin(), present.end(), column) != present.end() ? "," + column : ",''";
    return sql + " from filelist_journal where session_id = " + SqlNumber(session) + " order by file_pos";
}

std::string CreatePartFolderTableStatement()
{
    return "create table if not exists filelist_part_folder (folder TEXT NOT NULL PRIMARY KEY, used INTEGER NOT NULL)";
}

std::string PartFolderTableStatement()
{
    return "select count(*) from sqlite_master where type = 'table' and name = 'filelist_part_folder'";
}

std::string NotePartFolderStatement(const std::string& folder)
{
    return "insert or replace into filelist_part_folder (folder, used) values (" + SqlText(folder)
        + ", (select coalesce(max(used), 0) + 1 from filelist_part_folder))";
}

std::string PartFoldersStatement()
{
    return "select folder from filelist_part_folder order by used desc";
}

std::string TrimPartFoldersStatement(int kept)
{
    return "delete from filelist_part_folder where folder not in (select folder from filelist_part_folder order by "
           "used desc limit "
        + SqlNumber(kept) + ")";
}

} // namespace ondrevo
