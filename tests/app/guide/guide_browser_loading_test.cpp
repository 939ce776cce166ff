// This program does not link the web engine, as the real program does not:
// it sees when the guide window brings the engine in, and that the browser
// then works without the program having prepared anything for it.
#include "KRXGuideDialog.h"
#include "si/DVBSICollector.h"
#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace {
bool WebEngineLoaded()
{
    std::ifstream maps("/proc/self/maps");
    std::stringstream text;
    text << maps.rdbuf();
    return text.str().find("libQt6WebEngineCore") != std::string::npos;
}
} // namespace

TEST(GuideBrowserLoading, TheWebEngineIsLoadedOnlyWhenTheGuideIsFirstShown)
{
    TemporaryFolder folder;
    CDVBSICollector collector(folder.Path());
    CKRXGuideDialog dialog(collector, nullptr, KRX_PROGRAM_FOLDER "/");
    EXPECT_FALSE(WebEngineLoaded());

    dialog.show();
    ASSERT_NE(dialog.GetBrowser(), nullptr);
    EXPECT_STREQ(dialog.GetBrowser()->metaObject()->className(), "QWebEngineView");
    EXPECT_TRUE(WebEngineLoaded());
}
