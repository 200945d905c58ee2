#pragma once
// Entries the program offers after a catalogue's own: the picture shapes of "Width
// Ratio", the phone screen sizes of "Video Size", and the AMR codecs of "Audio Codec"
// with their bitrates, channels and sampling frequencies. The shipped catalogue holds
// them; a catalogue made before they existed lacks them, and gets them here, in the
// lists only: nothing is written to the database for them until the user picks. UI
// thread.

#include <optional>
#include <string>
#include <vector>

namespace ondrevo {

class ISelector;

namespace added_entries {

struct Entry {
    const char* name;
    const char* fragment;
};

// The entries added to one list, with the same names and fragments as in the shipped
// catalogue.
struct AddedList {
    int tag;
    // For the audio sub-selectors (tags 7..9): the name of the audio codec entry the list
    // belongs to; nullptr for the other selectors.
    const char* audioCodec;
    std::vector<Entry> entries;
    // The entry chosen while nothing is saved for the list (an audio sub-selector of a
    // codec the catalogue lacks has no saved position).
    int firstChoice = 0;
};

// Every added list, in the order the entries follow each other.
const std::vector<AddedList>& Lists();

// Appends to the filled selector each added entry of its list whose name it does not
// list yet, in order, after the catalogue's entries. The audio sub-selectors take the
// list of the entry chosen in `audioCodec`.
void AppendMissing(ISelector& selector, const ISelector& audioCodec);
// The fragment of the selector's entry at `position` when that entry is an added one;
// none for any other entry.
std::optional<std::string> Fragment(const ISelector& selector, const ISelector& audioCodec, int position);
// The same by names: the fragment of the added entry `entry` of the list with `tag`
// (for tags 7..9, the one of the audio codec entry `codecEntry`).
std::optional<std::string> FragmentOf(int tag, const std::string& codecEntry, const std::string& entry);
// The position in the filled selector of the first choice of its added list; none when
// the selector's list has no added entries or the first choice is not listed.
std::optional<int> FirstChoice(const ISelector& selector, const ISelector& audioCodec);
// Whether the audio codec entry named `codec` brings its own added sub-lists.
bool HasAddedSubLists(const std::string& codec);

} // namespace added_entries
} // namespace ondrevo
