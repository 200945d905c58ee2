#pragma once
// The program on Qt: the application object, the error boxes and the start-up sequence.

namespace ondrevo {

int RunQtProgram(int argc, char** argv);

} // namespace ondrevo
