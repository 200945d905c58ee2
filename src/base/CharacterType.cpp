#include "base/CharacterType.h"

#include <clocale>
#include <langinfo.h>
#include <strings.h>

namespace ondrevo {

namespace {

std::string CurrentCharacterType()
{
    const char* name = std::setlocale(LC_CTYPE, nullptr);
    return name ? name : "";
}

} // namespace

bool CharacterTypeIsUtf8()
{
    const char* codeset = nl_langinfo(CODESET);
    return codeset && (strcasecmp(codeset, "UTF-8") == 0 || strcasecmp(codeset, "utf8") == 0);
}

std::string EnsureUtf8CharacterType()
{
    std::setlocale(LC_NUMERIC, "C");
    // The user's own choice first, when it is installed and uses UTF-8.
    if (std::setlocale(LC_CTYPE, "") && CharacterTypeIsUtf8())
        return CurrentCharacterType();
    const std::string usersCharacterType = CurrentCharacterType();
    for (const char* fallback : { "C.UTF-8", "C.utf8", "en_US.UTF-8", "en_US.utf8" })
        if (std::setlocale(LC_CTYPE, fallback) && CharacterTypeIsUtf8())
            return CurrentCharacterType();
    std::setlocale(LC_CTYPE, usersCharacterType.c_str());
    return "";
}

} // namespace ondrevo
