#include "parameters/Selectors.h"

#include "base/Controls.h"
#include "parameters/AddedEntries.h"
#include "parameters/Statements.h"
#include "parameters/TSqliteQuery.h"

#include <climits>

namespace ondrevo::selectors {
namespace {

// A stored position as a selector position. A value beyond the range of int selects
// nothing rather than wrapping round to some entry.
int StoredPosition(long long value)
{
    if (value < INT_MIN || value > INT_MAX)
        return -1;
    return static_cast<int>(value);
}

} // namespace

void Fill(TSqliteQuery& query, ISelector& selector, const ISelector& audioCodec)
{
    const int tag = selector.Tag();
    // The audio sub-selectors offer the rows of the audio codec chosen right now.
    const int codec = IsAudioSubTag(tag) ? audioCodec.ItemIndex() : 0;
    selector.ClearItems();
    RunStatement(query, CatalogueListStatement(tag, codec));
    query.First();
    for (int row = 0, rows = query.RecordCount(); row < rows; ++row) {
        selector.AppendItem(query.FieldAsString(1));
        query.Next();
    }
    added_entries::AppendMissing(selector, audioCodec);
    ShowSavedPosition(query, selector, audioCodec);
}

void ShowSavedPosition(TSqliteQuery& query, ISelector& selector, const ISelector& audioCodec)
{
    const int tag = selector.Tag();
    selector.SetItemIndex(-1); // stays so when the read fails
    int position = IsAudioSubTag(tag) ? ReadSavedAudioPosition(query, tag, audioCodec) : ReadSavedPosition(query, tag);
    // A codec that the catalogue lacks has no saved sub-choices yet: its first choices.
    if (IsAudioSubTag(tag) && query.RecordCount() == 0)
        position = added_entries::FirstChoice(selector, audioCodec).value_or(position);
    selector.SetItemIndex(position >= 0 && position < selector.ItemCount() ? position : -1);
}

int ReadSavedPosition(TSqliteQuery& query, int tag)
{
    RunStatement(query, SavedPositionStatement(tag));
    return StoredPosition(query.FieldAsInteger(0));
}

int ReadSavedAudioPosition(TSqliteQuery& query, int tag, const ISelector& audioCodec)
{
    RunStatement(query, SavedAudioPositionStatement(tag, audioCodec.ItemIndex()));
    return StoredPosition(query.FieldAsInteger(0));
}

void SavePosition(TSqliteQuery& query, const ISelector& selector)
{
    RunStatement(query, SavePositionStatement(selector.Tag(), selector.ItemIndex()));
}

void SaveAudioPosition(TSqliteQuery& query, const ISelector& selector, const ISelector& audioCodec)
{
    RunStatement(query, SaveAudioPositionStatement(selector.Tag(), selector.ItemIndex(), audioCodec.ItemIndex()));
    // A codec that the catalogue lacked has no row to update until its first pick.
    const int codec = audioCodec.ItemIndex();
    if (codec >= 0 && codec < audioCodec.ItemCount() && added_entries::HasAddedSubLists(audioCodec.Item(codec)))
        RunStatement(query, AddAudioPositionStatement(selector.Tag(), selector.ItemIndex(), codec));
}

std::string Fragment(TSqliteQuery& query, const ISelector& selector, const ISelector& audioCodec)
{
    return EntryFragment(query, selector, audioCodec, selector.ItemIndex());
}

std::string EntryFragment(TSqliteQuery& query, const ISelector& selector, const ISelector& audioCodec, int position)
{
    const int tag = selector.Tag();
    const std::string entry = position >= 0 && position < selector.ItemCount() ? selector.Item(position) : "";
    const int codec = audioCodec.ItemIndex();
    const std::string codecEntry = codec >= 0 && codec < audioCodec.ItemCount() ? audioCodec.Item(codec) : "";
    return FragmentAt(query, tag, position, IsAudioSubTag(tag) ? codec : 0, codecEntry, entry);
}

std::string FragmentAt(TSqliteQuery& query, int tag, int position, int codecPosition, const std::string& codecEntry,
    const std::string& entry)
{
    const int codec = IsAudioSubTag(tag) ? codecPosition : 0;
    RunStatement(query, FragmentStatement(tag, position, codec));
    // An entry that the catalogue lacks was added to the list by Fill.
    if (query.RecordCount() == 0 && position >= 0 && !entry.empty())
        if (const auto fragment = added_entries::FragmentOf(tag, IsAudioSubTag(tag) ? codecEntry : "", entry))
            return *fragment;
    return query.FieldAsString(0);
}

} // namespace ondrevo::selectors
