#pragma once
// The C library's character type (LC_CTYPE) decides how 8-bit text is turned into wide
// characters, and the media information library opens a path only when that works: a
// UTF-8 path opens only under a UTF-8 character type. Texts in the program are UTF-8
// throughout, so start-up makes sure such a character type is in force, whatever the
// user's locale says.

#include <string>

namespace ondrevo {

// Sets LC_CTYPE to the user's locale when its codeset is UTF-8, otherwise to the first
// installed one of C.UTF-8, C.utf8, en_US.UTF-8, en_US.utf8. Sets LC_NUMERIC to "C" so
// that numbers keep their plain formatting. Returns the name of the LC_CTYPE locale in
// force afterwards, or an empty text when no UTF-8 locale is installed (LC_CTYPE is then
// left as the user's locale, or as it was when that cannot be set). Call it on the UI
// thread at start-up, before other threads run.
std::string EnsureUtf8CharacterType();

// Whether the character type in force has the UTF-8 codeset.
bool CharacterTypeIsUtf8();

} // namespace ondrevo
