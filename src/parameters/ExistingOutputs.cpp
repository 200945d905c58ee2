#include "parameters/ExistingOutputs.h"

#include "base/Errors.h"
#include "parameters/Statements.h"
#include "parameters/TSqliteQuery.h"

namespace ondrevo::existing_outputs {
namespace {

constexpr const char* kRow = "001";
// Stored as words, so that the entries' order may change without changing the choice.
constexpr std::array<const char*, 3> kWords { "replace", "skip", "keep both" };

} // namespace

const std::array<std::string, 3>& Names()
{
    static const std::array<std::string, 3> names { "Replace", "Skip", "Keep both" };
    return names;
}

ExistingOutputs AtIndex(int index)
{
    return index == 1 ? ExistingOutputs::Skip : index == 2 ? ExistingOutputs::KeepBoth : ExistingOutputs::Replace;
}

int IndexOf(ExistingOutputs choice)
{
    return static_cast<int>(choice);
}

ExistingOutputs Read(TSqliteQuery& query)
{
    try {
        RunStatement(query, "select existing_mode from convert_existing where existing_numb = " + SqlText(kRow));
    } catch (const EUniError&) {
        return ExistingOutputs::Replace; // an older database without the table, or one that cannot be read
    }
    if (query.RecordCount() == 0)
        return ExistingOutputs::Replace;
    const std::string word = query.FieldAsString(0);
    for (std::size_t index = 0; index < kWords.size(); ++index)
        if (word == kWords[index])
            return AtIndex(static_cast<int>(index));
    return ExistingOutputs::Replace;
}

void Save(TSqliteQuery& query, ExistingOutputs choice)
{
    RunStatement(query,
        "create table if not exists convert_existing (existing_numb varchar(3) primary key, existing_mode "
        "varchar(16))");
    RunStatement(query,
        "insert or replace into convert_existing (existing_numb, existing_mode) values (" + SqlText(kRow) + ", "
            + SqlText(kWords[static_cast<std::size_t>(IndexOf(choice))]) + ")");
}

} // namespace ondrevo::existing_outputs
