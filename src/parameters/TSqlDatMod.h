#pragma once
// The data module: owns the connection to the parameter database and the single query
// through which every statement runs.

#include <memory>
#include <string>

struct sqlite3;

namespace ondrevo {

class TSqliteQuery;

class TSqlDatMod {
public:
    // Opens the database by its name relative to the working directory, read-write and
    // created when missing. Raises EUniError with SQLite's code and message.
    explicit TSqlDatMod(const std::string& databaseName = "LibFFmpeg.Dat");
    ~TSqlDatMod();
    TSqlDatMod(const TSqlDatMod&) = delete;
    TSqlDatMod& operator=(const TSqlDatMod&) = delete;

    TSqliteQuery& SqliteQuery() { return *query_; }
    // The open connection, for tools and tests that watch or inspect it.
    sqlite3* DataBase() const { return dataBase_; }

private:
    sqlite3* dataBase_ = nullptr;
    std::unique_ptr<TSqliteQuery> query_;
};

// The program-wide data module; null before start-up creates it.
extern TSqlDatMod* SqlDatMod;

} // namespace ondrevo
