// Runs GoogleTest inside a QApplication, as the windows need one.
#include "support/TestWatchdog.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    // No screen needed, also when CTest lists the tests; a platform given
    // in the environment (xcb under Xvfb) still wins.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Run as root (a build machine), the browser module itself does without
    // the engine's sandbox: nothing is prepared for it here.
    QApplication application(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    CTestWatchdog::Install();
    return RUN_ALL_TESTS();
}
