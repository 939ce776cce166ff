// The guide window when its browser module is missing.
#include "KRXGuideDialog.h"
#include "platform/DebugOutput.h"
#include "si/DVBSICollector.h"
#include "support/TemporaryFolder.h"

#include <QLabel>
#include <gtest/gtest.h>

#include <filesystem>

TEST(GuideWindowWithoutItsBrowser, SaysSoAndTheExportStillSwitches)
{
    TemporaryFolder folder;
    std::filesystem::create_directory(folder.File("epg"));
    CString debug;
    const DebugOutputSink previous = SetDebugOutputSink([&](const CString& text) { debug += text; });
    {
        CDVBSICollector collector(folder.Path());
        CKRXGuideDialog dialog(collector, nullptr, folder.Path());
        dialog.show();
        auto* notice = qobject_cast<QLabel*>(dialog.GetBrowser());
        ASSERT_NE(notice, nullptr);
        EXPECT_TRUE(notice->text().startsWith("The guide cannot be shown")) << notice->text().toStdString();
        EXPECT_NE(debug.find("Guide browser not loaded: "), CString::npos) << debug;
        EXPECT_NE(debug.find("EPG updates now on.\n"), CString::npos) << debug;
    }
    SetDebugOutputSink(previous);
}
