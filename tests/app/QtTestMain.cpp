// Every window test program's main: an application object, a screen that is
// not there unless one is asked for (xcb under Xvfb), settings and data of
// their own, never the user's, and Qt's own file dialogs, which a test can drive.
// Pictures are paced and counted by the display without a video window. Run
// as root, the guide's browser module itself does without the engine's
// sandbox: nothing is prepared for it here.
#include "plugin/KRXVideoOutput.h"
#include "support/TemporaryFolder.h"
#include "support/TestWatchdog.h"

#include <QApplication>
#include <cstdlib>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    TemporaryFolder settings;
    setenv("XDG_CONFIG_HOME", settings.Path().c_str(), 1);
    setenv("XDG_DATA_HOME", settings.Path().c_str(), 1);
    CKRXVideoOutput::Set(CKRXVideoOutput::None);
    QApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    CTestWatchdog::Install();
    return RUN_ALL_TESTS();
}
