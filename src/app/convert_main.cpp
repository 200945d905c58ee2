#include "app/ConvertProgram.h"

int main(int argc, char** argv)
{
    return ondrevo::RunConvertProgram(argc, argv);
}
