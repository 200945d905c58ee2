#pragma once
// The nine parameter selectors: filling them from their catalogues, restoring and
// saving their positions, and the encoder fragment of each one's current entry. Every
// statement runs on the data module's one query; a failing statement raises EUniError
// and stops the operation there. UI thread.

#include <string>

namespace ondrevo {

class ISelector;
class TSqliteQuery;

namespace selectors {

// Fills `selector` from its catalogue and selects its saved position (nothing when the
// position is outside the list). The audio sub-selectors (tags 7..9) list the rows of
// the entry chosen in `audioCodec` right now.
void Fill(TSqliteQuery& query, ISelector& selector, const ISelector& audioCodec);
// The saved position of the selector with tag 1..6.
int ReadSavedPosition(TSqliteQuery& query, int tag);
// The saved position of the audio sub-selector with tag 7..9 under `audioCodec`'s entry.
int ReadSavedAudioPosition(TSqliteQuery& query, int tag, const ISelector& audioCodec);
// Selects the saved position of `selector` (tag 1..9) in the list it shows; nothing
// when the position is outside the list. Used after a save the database refused, so the
// selector shows what is stored; when the read fails too, nothing stays selected.
void ShowSavedPosition(TSqliteQuery& query, ISelector& selector, const ISelector& audioCodec);
// Saves the current position of a selector with tag 1..6.
void SavePosition(TSqliteQuery& query, const ISelector& selector);
// Saves the current position of an audio sub-selector under `audioCodec`'s entry.
void SaveAudioPosition(TSqliteQuery& query, const ISelector& selector, const ISelector& audioCodec);
// The fragment stored for the selector's current entry, exactly as stored; empty when
// no row matches.
std::string Fragment(TSqliteQuery& query, const ISelector& selector, const ISelector& audioCodec);
// The same for the entry at `position` of the selector's list.
std::string EntryFragment(TSqliteQuery& query, const ISelector& selector, const ISelector& audioCodec, int position);
// The same from plain values: the selector's tag, its position, the audio codec's
// position and entry name (for tags 7..9) and the entry's name at that position ("" for
// none).
std::string FragmentAt(TSqliteQuery& query, int tag, int position, int codecPosition, const std::string& codecEntry,
    const std::string& entry);

} // namespace selectors
} // namespace ondrevo
