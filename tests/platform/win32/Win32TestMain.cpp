// The test program doubles as its own child: started with a "--child-..." argument it plays
// the second process of a cross-process test (a second copy taking the guard, a program
// showing windows) instead of running the tests. The tests run with a QGuiApplication, as
// the program's backend does: the displays watch its native events.
#include <QGuiApplication>

#include <gtest/gtest.h>

#include "tests/platform/win32/Win32TestSupport.h"

int main(int argc, char** argv) {
    int exitCode = 0;
    if (RunChildMode(argc, argv, &exitCode)) {
        return exitCode;
    }
    testing::InitGoogleTest(&argc, argv);
    const QGuiApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
