#pragma once
// The program on Qt: the application object, the error boxes and the start-up sequence.

#include <string>
#include <vector>

namespace ondrevo {

int RunQtProgram(int argc, char** argv);

// The files and folders named on the command line after Qt has taken out its own
// options, made absolute: relative ones are taken from `startFolder`, where the program
// was started (the installed program moves into its user's folder), or else from the
// working directory. The bytes are the ones given: Qt's reading of them as text loses a
// name that is not UTF-8.
std::vector<std::string> GivenPaths(int argc, char** argv, const std::string& startFolder = "");

} // namespace ondrevo
