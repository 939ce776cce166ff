// The window tests need an application object, a screen that is not there
// and settings of their own, never the user's. Pictures are paced and counted
// by the display without a video window.
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
    CKRXVideoOutput::Set(CKRXVideoOutput::None);
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    CTestWatchdog::Install();
    return RUN_ALL_TESTS();
}
