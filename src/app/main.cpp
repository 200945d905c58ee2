#include "app/qt/QtProgram.h"

int main(int argc, char** argv)
{
    return ondrevo::RunQtProgram(argc, argv);
}
