#pragma once
// The single query of the data module. Running a statement replaces the result of the
// previous one; a statement that yields rows leaves its whole result open for reading.

#include <optional>
#include <string>
#include <vector>

struct sqlite3;

namespace ondrevo {

class EUniError;

class TSqliteQuery {
public:
    explicit TSqliteQuery(sqlite3* dataBase)
        : dataBase_(dataBase)
    {
    }

    void ClearSQL() { sql_.clear(); }
    void SetSQL(std::string sql) { sql_ = std::move(sql); }
    const std::string& SQL() const { return sql_; }

    // Closes the previous result and runs the SQL text. Raises EUniError with SQLite's
    // code and message when the statement fails.
    void Execute();

    // Reading the result: go to the first row, the row count, read a column of the
    // current row, step to the next row. With no current row or a NULL value a number
    // reads as 0 and a text as "".
    void First() { row_ = 0; }
    int RecordCount() const { return static_cast<int>(rows_.size()); }
    bool Eof() const { return row_ >= rows_.size(); }
    void Next()
    {
        if (row_ < rows_.size())
            ++row_;
    }
    long long FieldAsInteger(int column) const;
    std::string FieldAsString(int column) const;

    // Whether the main database holds a table of that name, told from its schema without
    // running a statement (and so without replacing the result). Raises EUniError when
    // the schema cannot be read: a lock, a damaged file, a file that is no database.
    bool HasTable(const std::string& table) const;

private:
    struct Cell {
        bool isNull = true;
        long long integer = 0;
        std::string text;
    };
    const Cell* CurrentCell(int column) const;

    sqlite3* dataBase_;
    std::string sql_;
    std::vector<std::vector<Cell>> rows_;
    std::size_t row_ = 0;
};

// The one way to reach the database: replace the query's SQL text and run it.
void RunStatement(TSqliteQuery& query, const std::string& statement);

// Whether the error only says that another connection held the file for longer than
// the busy timeout ("database is locked"): the same statement may succeed later.
bool IsLockError(const EUniError& error);

} // namespace ondrevo
