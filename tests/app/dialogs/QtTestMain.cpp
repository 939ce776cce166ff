// The dialogs' tests need an application object; they run without a screen
// unless a platform is asked for, and with Qt's own file dialogs, which a test
// can drive.
#include "support/TestWatchdog.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    CTestWatchdog::Install();
    return RUN_ALL_TESTS();
}
