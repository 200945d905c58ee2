// The nine parameter selectors: filling them from their catalogues, restoring and
// saving their positions, and the encoder fragment of each one's current entry.

#include "app/Controls.h"
#include "app/TFFmpegFunc.h"
#include "parameters/Statements.h"
#include "parameters/TSqliteQuery.h"

#include <climits>

namespace ondrevo {
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

void TFFmpegFunc::FillSelector(ISelector& selector)
{
    const int tag = selector.Tag();
    // The audio sub-selectors offer the rows of the audio codec chosen right now.
    const int audioCodec = IsAudioSubTag(tag) ? jvCmbAdo_[0]->ItemIndex() : 0;
    selector.ClearItems();
    RunStatement(sqliteQuery_, CatalogueListStatement(tag, audioCodec));
    sqliteQuery_.First();
    for (int row = 0, rows = sqliteQuery_.RecordCount(); row < rows; ++row) {
        selector.AppendItem(sqliteQuery_.FieldAsString(1));
        sqliteQuery_.Next();
    }
    const int position = IsAudioSubTag(tag) ? ReadSavedAudioPosition(tag) : ReadSavedPosition(tag);
    selector.SetItemIndex(position >= 0 && position < selector.ItemCount() ? position : -1);
}

void TFFmpegFunc::FillAllSelectors()
{
    for (ISelector* selector : jvCmbVdo_)
        FillSelector(*selector);
    for (ISelector* selector : jvCmbAdo_)
        FillSelector(*selector);
}

void TFFmpegFunc::RefillAudioSelectors()
{
    for (std::size_t n = 1; n < jvCmbAdo_.size(); ++n)
        FillSelector(*jvCmbAdo_[n]);
}

int TFFmpegFunc::ReadSavedPosition(int tag)
{
    RunStatement(sqliteQuery_, SavedPositionStatement(tag));
    return StoredPosition(sqliteQuery_.FieldAsInteger(0));
}

int TFFmpegFunc::ReadSavedAudioPosition(int tag)
{
    RunStatement(sqliteQuery_, SavedAudioPositionStatement(tag, jvCmbAdo_[0]->ItemIndex()));
    return StoredPosition(sqliteQuery_.FieldAsInteger(0));
}

void TFFmpegFunc::SaveSelectorPosition(ISelector& selector)
{
    RunStatement(sqliteQuery_, SavePositionStatement(selector.Tag(), selector.ItemIndex()));
}

void TFFmpegFunc::SaveAudioPosition(ISelector& selector)
{
    RunStatement(
        sqliteQuery_, SaveAudioPositionStatement(selector.Tag(), selector.ItemIndex(), jvCmbAdo_[0]->ItemIndex()));
}

std::string TFFmpegFunc::SelectorFragment(ISelector& selector)
{
    const int tag = selector.Tag();
    const int audioCodec = IsAudioSubTag(tag) ? jvCmbAdo_[0]->ItemIndex() : 0;
    RunStatement(sqliteQuery_, FragmentStatement(tag, selector.ItemIndex(), audioCodec));
    return sqliteQuery_.FieldAsString(0);
}

} // namespace ondrevo
