#pragma once
// The statements run on the parameter database, composed as text: numbers in plain
// decimal, text values in single quotes with inner quotes doubled, nothing bound.
// Tags number the selectors: 1 to 5 the video selectors, 6 the audio codec, 7 to 9 the
// audio sub-selectors (bitrate, channels, sampling frequency) that depend on the codec.

#include <string>

namespace ondrevo {

// A number as it appears in a statement: "-" for a negative value, no leading zeros.
std::string SqlNumber(long long value);
// A text value enclosed in single quotes, each single quote inside doubled.
std::string SqlText(const std::string& value);

// The catalogue table of a selector tag 1..9; raises Exception for any other tag.
const char* CatalogueTable(int tag);
bool IsAudioSubTag(int tag);

// The names of a selector's catalogue in list order; `audioCodec` is used for tags 7..9.
std::string CatalogueListStatement(int tag, int audioCodec);
// The fragment of the entry at `position`; `audioCodec` is used for tags 7..9.
std::string FragmentStatement(int tag, int position, int audioCodec);

// Saved positions: tags 1..6 in cmbex_itemindex, tags 7..9 per audio codec in
// cmbex_adoindex.
std::string SavedPositionStatement(int tag);
std::string SavedAudioPositionStatement(int tag, int audioCodec);
std::string SavePositionStatement(int tag, int position);
std::string SaveAudioPositionStatement(int tag, int position, int audioCodec);
// Inserts the position of an audio sub-selector under `audioCodec` when no row holds it.
std::string AddAudioPositionStatement(int tag, int position, int audioCodec);

// The output folder, kept in the row "001" of savedir_videofile.
std::string OutputFolderStatement();
std::string SaveOutputFolderStatement(const std::string& folder);

} // namespace ondrevo
