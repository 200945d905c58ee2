// The four settings kept as the one row of a table of their own: what a read gives for a
// database without the table or the row, for stored and unknown values, after a save
// (stored as older versions store it, byte for byte), and that a locked, damaged or
// foreign file raises instead of passing for the default.

#include "support/DatabaseFiles.h"

#include "base/Errors.h"
#include "parameters/ExistingOutputs.h"
#include "parameters/FilesAtOnce.h"
#include "parameters/KeepSourceDate.h"
#include "parameters/SizeLimit.h"
#include "parameters/TSqlDatMod.h"
#include "parameters/TSqliteQuery.h"
#include "support/TempDir.h"

#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>

namespace ondrevo::testing {
namespace {

struct Setting {
    const char* table;
    // The table as the first save makes it, as SQLite keeps its text.
    const char* schema;
    // The stored row with its values quoted, so a number and a text differ.
    const char* rowQuery;
    std::function<std::string(TSqliteQuery&)> read; // the choice read, as text
    std::function<void(TSqliteQuery&)> save; // saves a choice other than the default
    std::string byDefault;
    std::string saved; // what `save` stored, read back
    std::string savedRow;
    // Values written by hand after the key (SQL literals), and what they read as: stored
    // ones, then ones no version writes, which mean the default.
    std::vector<std::pair<std::string, std::string>> stored;
};

const std::vector<Setting>& Settings()
{
    static const std::vector<Setting> settings {
        { "convert_atonce", "CREATE TABLE convert_atonce (atonce_numb varchar(3) primary key, atonce_count integer)",
            "select quote(atonce_numb) || '|' || quote(atonce_count) from convert_atonce",
            [](TSqliteQuery& q) { return std::to_string(files_at_once::Read(q)); },
            [](TSqliteQuery& q) { files_at_once::Save(q, 3); }, "1", "3", "'001'|3",
            { { "2", "2" }, { "1024", "1024" }, { "5000", "1024" }, { "0", "1" }, { "-4", "1" }, { "'many'", "1" },
                { "null", "1" } } },
        { "convert_existing",
            "CREATE TABLE convert_existing (existing_numb varchar(3) primary key, existing_mode varchar(16))",
            "select quote(existing_numb) || '|' || quote(existing_mode) from convert_existing",
            [](TSqliteQuery& q) {
                return existing_outputs::Names()[static_cast<std::size_t>(
                    existing_outputs::IndexOf(existing_outputs::Read(q)))];
            },
            [](TSqliteQuery& q) { existing_outputs::Save(q, ExistingOutputs::KeepBoth); }, "Replace", "Keep both",
            "'001'|'keep both'",
            { { "'skip'", "Skip" }, { "'keep both'", "Keep both" }, { "'replace'", "Replace" },
                { "'overwrite'", "Replace" }, { "'Skip'", "Replace" }, { "1", "Replace" }, { "null", "Replace" } } },
        { "keep_sourcedate", "CREATE TABLE keep_sourcedate (keep_numb varchar(3) primary key, keep_on integer)",
            "select quote(keep_numb) || '|' || quote(keep_on) from keep_sourcedate",
            [](TSqliteQuery& q) { return std::string(keep_source_date::Read(q) ? "ticked" : "unticked"); },
            [](TSqliteQuery& q) { keep_source_date::Save(q, true); }, "unticked", "ticked", "'001'|1",
            { { "1", "ticked" }, { "0", "unticked" }, { "2", "unticked" }, { "'yes'", "unticked" },
                { "null", "unticked" } } },
        { "convert_sizelimit",
            "CREATE TABLE convert_sizelimit (limit_numb varchar(3) primary key, limit_kb integer, limit_cut integer)",
            "select quote(limit_numb) || '|' || quote(limit_kb) || '|' || quote(limit_cut) from convert_sizelimit",
            [](TSqliteQuery& q) {
                const size_limit::Choice choice = size_limit::Read(q);
                return std::to_string(choice.kilobytes) + (choice.cutToFit ? " cut" : "");
            },
            [](TSqliteQuery& q) { size_limit::Save(q, { 295, true }); }, "0", "295 cut", "'001'|295|1",
            { { "400, 0", "400" }, { "20, 1", "20 cut" }, { "4194303, 0", "4194303" }, { "0, 1", "0 cut" },
                { "19, 0", "0" }, { "4194304, 1", "0 cut" }, { "300, 2", "300" }, { "null, null", "0" } } },
    };
    return settings;
}

// What reading the setting from `db` gives: the choice as text, or "raised" with
// SQLite's primary code ("raised lock" for a lock).
std::string ReadFrom(TSqlDatMod& dataModule, const Setting& s)
{
    try {
        return s.read(dataModule.SqliteQuery());
    } catch (const EUniError& error) {
        return IsLockError(error) ? "raised lock" : "raised " + std::to_string(error.ErrorCode() & 0xff);
    }
}

std::string ReadFrom(const std::string& db, const Setting& s)
{
    TSqlDatMod dataModule(db);
    return ReadFrom(dataModule, s);
}

std::string Tables(const std::string& db, const Setting& s)
{
    return QueryValue(db, std::string("select count(*) from sqlite_master where name = '") + s.table + "'");
}

class OneRowSettings : public ::testing::Test {
protected:
    // A fresh copy of the shipped database, which has none of the four tables.
    std::string Fresh(const std::string& name)
    {
        const std::string db = dir.File(name + ".Dat");
        CopyShippedDatabase(db);
        return db;
    }
    TempDir dir;
};

TEST_F(OneRowSettings, AMissingTableOrRowOrAnUnknownValueIsTheDefaultAndStoredValuesReadBack)
{
    for (const Setting& s : Settings()) {
        SCOPED_TRACE(s.table);
        const std::string db = Fresh(s.table);
        const unsigned writes = WriteTransactions(db);
        EXPECT_EQ(ReadFrom(db, s), s.byDefault) << "no table";
        EXPECT_EQ(Tables(db, s), "0") << "a read makes no table";
        EXPECT_EQ(WriteTransactions(db), writes) << "a read writes nothing";
        ExecuteSql(db, s.schema);
        EXPECT_EQ(ReadFrom(db, s), s.byDefault) << "no row";
        ExecuteSql(db, std::string("insert into ") + s.table + " values ('002', "
                + s.stored.front().first + ")");
        EXPECT_EQ(ReadFrom(db, s), s.byDefault) << "only another row";
        for (const auto& [values, shown] : s.stored) {
            ExecuteSql(db, std::string("insert or replace into ") + s.table + " values ('001', " + values + ")");
            EXPECT_EQ(ReadFrom(db, s), shown) << values;
        }
    }
}

TEST_F(OneRowSettings, ASaveMakesTheTableAndItsOneRowAsOlderVersionsKeepThem)
{
    for (const Setting& s : Settings()) {
        SCOPED_TRACE(s.table);
        const std::string db = Fresh(s.table);
        {
            TSqlDatMod dataModule(db);
            s.save(dataModule.SqliteQuery());
            s.save(dataModule.SqliteQuery());
            EXPECT_EQ(ReadFrom(dataModule, s), s.saved) << "on the same connection";
        }
        EXPECT_EQ(ReadFrom(db, s), s.saved);
        EXPECT_EQ(QueryValue(db, std::string("select sql from sqlite_master where name = '") + s.table + "'"),
            s.schema);
        EXPECT_EQ(QueryRows(db, s.rowQuery), std::vector<std::string> { s.savedRow });
    }
}

TEST_F(OneRowSettings, ALockedDatabaseRaisesWhetherOrNotTheTableIsThere)
{
    for (const Setting& s : Settings()) {
        SCOPED_TRACE(s.table);
        for (const bool withTable : { false, true }) {
            const std::string db = Fresh(std::string(s.table) + (withTable ? "-with" : "-without"));
            if (withTable) {
                TSqlDatMod dataModule(db);
                s.save(dataModule.SqliteQuery());
            }
            TSqlDatMod dataModule(db);
            dataModule.SetBusyTimeout(std::chrono::milliseconds(50));
            if (withTable)
                EXPECT_EQ(ReadFrom(dataModule, s), s.saved) << "the schema read before the lock";
            LockHolder lock(db, 60, true);
            EXPECT_EQ(ReadFrom(dataModule, s), "raised lock") << (withTable ? "with" : "without") << " the table";
            lock.Release();
            EXPECT_EQ(ReadFrom(dataModule, s), withTable ? s.saved : s.byDefault) << "after the lock";
        }
    }
}

TEST_F(OneRowSettings, ADamagedOrForeignFileRaises)
{
    for (const Setting& s : Settings()) {
        SCOPED_TRACE(s.table);
        // Not a database at all.
        const std::string garbage = dir.File(std::string(s.table) + "-garbage");
        std::ofstream(garbage, std::ios::binary) << std::string(8192, '\x5a');
        EXPECT_EQ(ReadFrom(garbage, s), "raised 26");

        // The table without its value columns.
        const std::string narrow = Fresh(std::string(s.table) + "-narrow");
        ExecuteSql(narrow, std::string("create table ") + s.table + " (x varchar(3) primary key)");
        EXPECT_EQ(ReadFrom(narrow, s), "raised 1");

        // The table's page overwritten.
        const std::string broken = Fresh(std::string(s.table) + "-broken");
        {
            TSqlDatMod dataModule(broken);
            s.save(dataModule.SqliteQuery());
        }
        const long long page = std::stoll(QueryValue(broken, "pragma page_size"));
        const long long root
            = std::stoll(QueryValue(broken, std::string("select rootpage from sqlite_master where name = '")
                + s.table + "'"));
        {
            std::fstream file(broken, std::ios::binary | std::ios::in | std::ios::out);
            file.seekp((root - 1) * page);
            file << std::string(static_cast<std::size_t>(page), '\xff');
        }
        EXPECT_EQ(ReadFrom(broken, s), "raised 11");
    }
}

} // namespace
} // namespace ondrevo::testing
