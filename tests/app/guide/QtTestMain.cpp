// Runs GoogleTest inside a QApplication, as the windows need one.
#include "support/TestWatchdog.h"

#include <QApplication>
#include <gtest/gtest.h>

#include <unistd.h>

int main(int argc, char** argv)
{
    // No screen needed, also when CTest lists the tests; a platform given
    // in the environment (xcb under Xvfb) still wins.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The browser's sandbox refuses to run as root, as on a build machine.
    if (geteuid() == 0)
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--no-sandbox");
    QApplication application(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    CTestWatchdog::Install();
    return RUN_ALL_TESTS();
}
