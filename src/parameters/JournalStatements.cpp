#include "parameters/JournalStatements.h"

#include "parameters/JournalRow.h"
#include "parameters/SessionOwner.h"
#include "parameters/Statements.h"

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
           "file_hint TEXT NOT NULL, file_phase TEXT NOT NULL DEFAULT '', PRIMARY KEY (session_id, file_pos))";
}

std::string JournalPhaseColumnStatement()
{
    return "select count(*) from pragma_table_info('filelist_journal') where name = 'file_phase'";
}

std::string AddJournalPhaseColumnStatement()
{
    return "alter table filelist_journal add column file_phase TEXT NOT NULL DEFAULT ''";
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
                      "file_type, file_size, file_time, file_percent, file_hint, file_phase) values ("
        + SqlNumber(session) + ", " + SqlNumber(row.position) + ", " + SqlText(row.caption) + ", "
        + SqlNumber(row.imageIndex);
    for (const std::string& subItem : row.subItems)
        sql += ", " + SqlText(subItem);
    return sql + ", " + SqlText(row.hint) + ", " + SqlText(row.phase) + ")";
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

std::string JournalRowsStatement(long long session)
{
    return "select file_pos,file_name,file_image,file_type,file_size,file_time,file_percent,file_hint,file_phase "
           "from filelist_journal where session_id = "
        + SqlNumber(session) + " order by file_pos";
}

} // namespace ondrevo
