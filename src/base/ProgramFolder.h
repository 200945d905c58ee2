#pragma once
// The folder that holds the running program file, with its trailing separator. The
// encoder and the player live below it, and the default output folder beside it. The
// installed program runs in each user's own folder instead (base/UserFolder.h), which
// also names the default output folder.

#include <string>

namespace ondrevo {

std::string ProgramFolder();

// Where the outputs go when the user chose no folder: "FFOutput" in the program folder,
// or the folder UseProgramFolder named.
std::string DefaultOutputFolder();

// Makes `folder` the program folder and `defaultOutput` the default output folder, for
// the rest of the run.
void UseProgramFolder(std::string folder, std::string defaultOutput);

// Tests point the program folder somewhere else; an empty text restores the real one.
void SetProgramFolderForTesting(std::string folder);

} // namespace ondrevo
