#pragma once
// The folder that holds the running program file, with its trailing separator. The
// encoder and the player live below it, and the default output folder beside it.

#include <string>

namespace ondrevo {

std::string ProgramFolder();

// Tests point the program folder somewhere else; an empty text restores the real one.
void SetProgramFolderForTesting(std::string folder);

} // namespace ondrevo
