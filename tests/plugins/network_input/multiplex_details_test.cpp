#include "KRXNetInputPlugin.h"
#include "KRXNetMultiplexDetails.h"

#include "platform/MessageBox.h"
#include "plugin/KRXMultiplexDialogs.h"
#include "plugin/KRXScanJob.h"
#include "plugin/KRXScanStart.h"
#include "stream/DVBTransportStreamSource.h"
#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

TEST(NetMultiplexDetails, StoresOnlyWhatTheInputCanPlayAndTheFileCanHold)
{
    CKRXNetMultiplexDefinition definition;
    definition.ReadFromString("News, udp://@239.1.1.1:5000");
    CKRXNetMultiplexDetails details(&definition);
    EXPECT_EQ(details.GetName(), "News");
    EXPECT_EQ(details.GetURL(), "udp://@239.1.1.1:5000");

    CString problem;
    details.SetURL("rtp://@239.1.1.1");
    EXPECT_FALSE(details.Store(problem));
    EXPECT_EQ(problem, "The URL cannot be played: no port.");
    details.SetURL("satip://10.0.0.2/?freq=474&pids=0,16");
    EXPECT_FALSE(details.Store(problem));
    EXPECT_EQ(problem, "The name and the URL of a multiplex cannot contain a comma.");
    EXPECT_EQ(definition.GetURL(), "udp://@239.1.1.1:5000") << "a refused edit changes nothing";

    details.SetName("  ");
    details.SetURL("  http://10.0.0.2:8001/1:0:1  ");
    ASSERT_TRUE(details.Store(problem)) << problem;
    EXPECT_EQ(definition.GetName(), "http://10.0.0.2:8001/1:0:1");
    EXPECT_EQ(definition.GetURL(), "http://10.0.0.2:8001/1:0:1");
}

TEST(NetInputPlugin, KeepsItsDefinitionsInItsOwnFileAndRefusesBadURLsWithAReason)
{
    TemporaryFolder folder;
    const CString file = folder.File("Network Multiplexes.txt");
    struct Plugin : CKRXNetInputPlugin {
        CString file;
        CString GetMultiplexDefinitionsFilename() override { return file; }
    } plugin;
    plugin.file = file;
    auto* definition = plugin.CreateMultiplexDefinition();
    definition->ReadFromString("Sports, rtp://@239.2.2.2:1234?iface=lo");
    plugin.AddMultiplexDefinition(definition);
    ASSERT_TRUE(plugin.SaveMultiplexDefinitions());
    EXPECT_EQ(folder.Read("Network Multiplexes.txt"), "Sports, rtp://@239.2.2.2:1234?iface=lo\n");

    CKRXNetMultiplexDefinition bad;
    bad.ReadFromString("Bad, rtsp://server/stream");
    CDVBTransportStreamSource* source = plugin.OpenMultiplex(&bad);
    CString status;
    source->GetStatus(status);
    EXPECT_TRUE(source->HasEnded());
    EXPECT_EQ(
        status, "cannot play 'rtsp://server/stream': the scheme 'rtsp' is none of udp, rtp, http, https and satip");
    plugin.CloseMultiplex(source);
}

// The program's Scan asks for a SAT>IP server and a region file; a file it
// cannot read is said at once, before any server is asked.
TEST(NetInputPlugin, ScansThroughTheServerAndRegionFileTheUserGives)
{
    struct Dialogs : CKRXMultiplexDialogs {
        CString file;
        bool askedForServer = false;
        int scans = 0;
        bool AskScanStart(CKRXInputPlugin*, SKRXScanStart& start) override
        {
            askedForServer = start.asksServer && !start.asksSwitchPort;
            start.initialFile = file;
            start.server = "127.0.0.1:1";
            return !file.empty();
        }
        bool RunScan(CKRXInputPlugin*, CKRXScanJob&) override { return ++scans, false; }
    } dialogs;
    std::vector<CString> boxes;
    const MessageBoxHandler previousBox = SetMessageBoxHandler([&](const CString& text, const CString&, unsigned type) {
        boxes.push_back(text);
        return DefaultMessageBoxAnswer(type);
    });
    CKRXMultiplexDialogs* previous = CKRXMultiplexDialogs::SetMultiplexDialogs(&dialogs);
    CKRXNetInputPlugin plugin;
    EXPECT_TRUE(plugin.CanScanForMultiplexDefinitions());

    EXPECT_FALSE(plugin.ScanForMultiplexDefinitions()) << "cancelled";
    EXPECT_TRUE(dialogs.askedForServer);
    TemporaryFolder folder;
    dialogs.file = folder.Write("region", "not a region file\n");
    EXPECT_FALSE(plugin.ScanForMultiplexDefinitions());
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], "The scan cannot start: cannot read '" + dialogs.file + "' as a region file");
    EXPECT_EQ(dialogs.scans, 0);

    dialogs.file = folder.Write("dvb-c",
        "[CHANNEL]\n\tDELIVERY_SYSTEM = DVBC/ANNEX_A\n\tFREQUENCY = 346000000\n"
        "\tSYMBOL_RATE = 6900000\n\tMODULATION = QAM/256\n");
    plugin.ScanForMultiplexDefinitions();
    EXPECT_EQ(dialogs.scans, 1) << "a readable file starts the scan";
    CKRXMultiplexDialogs::SetMultiplexDialogs(previous);
    SetMessageBoxHandler(previousBox);
}
