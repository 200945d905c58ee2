#include "parameters/ExistingOutputs.h"

#include "parameters/OneRowSetting.h"

namespace ondrevo::existing_outputs {
namespace {

constexpr OneRowColumn kColumns[] = { { "existing_mode", "varchar(16)" } };
constexpr OneRowSetting kStored { "convert_existing", "existing_numb", kColumns };
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
    const auto row = kStored.Read(query);
    if (!row)
        return ExistingOutputs::Replace;
    for (std::size_t index = 0; index < kWords.size(); ++index)
        if (row->front().text == kWords[index])
            return AtIndex(static_cast<int>(index));
    return ExistingOutputs::Replace;
}

void Save(TSqliteQuery& query, ExistingOutputs choice)
{
    kStored.Save(query, { std::string(kWords[static_cast<std::size_t>(IndexOf(choice))]) });
}

} // namespace ondrevo::existing_outputs
