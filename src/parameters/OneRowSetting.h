#pragma once
// A setting kept as the one row "001" of a table of its own in the parameter database: a
// key column and the setting's value columns. The table is made when the setting is
// first saved, so an older database lacks it; a missing table or row holds no value and
// the setting means its default. UI thread.

#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

namespace ondrevo {

class TSqliteQuery;

struct OneRowColumn {
    const char* name;
    const char* sqlType; // as the table is made: "integer", "varchar(16)"
};

struct OneRowSetting {
    // What a save writes into a value column: a number, or a text.
    using Value = std::variant<long long, std::string>;
    // What a read gives back of a value column; NULL reads as 0 and "".
    struct Cell {
        long long integer = 0;
        std::string text;
    };

    const char* table;
    const char* keyColumn; // varchar(3) primary key
    std::span<const OneRowColumn> columns;

    std::string ReadStatement() const;
    std::string CreateStatement() const;
    // `values` holds one value for each column, in order.
    std::string SaveStatement(const std::vector<Value>& values) const;

    // The stored row's values, one for each column; nothing when the table or its row is
    // missing. Raises EUniError for any other failure: a lock held past the busy
    // timeout, a damaged file, a file that is no database.
    std::optional<std::vector<Cell>> Read(TSqliteQuery& query) const;
    // Stores `values`, making the table and its row when missing. Raises EUniError when
    // they cannot be stored.
    void Save(TSqliteQuery& query, const std::vector<Value>& values) const;
};

} // namespace ondrevo
