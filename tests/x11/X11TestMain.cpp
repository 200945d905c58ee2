// Widget tests on a real X server (the xcb platform, under Xvfb): what needs native
// windows that outside programs draw into.

#include "base/CharacterType.h"

#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    ondrevo::EnsureUtf8CharacterType();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
