#include "KRXTTBudgetInputPlugin.h"
#include "MemoryCard.h"

#include "platform/DebugOutput.h"
#include "platform/MessageBox.h"
#include "plugin/DVBMultiplexDefinition.h"
#include "plugin/KRXMultiplexDialogs.h"
#include "plugin/KRXScanJob.h"
#include "plugin/KRXScanStart.h"
#include "stream/DVBTransportStreamSource.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>

namespace {
struct Box {
    CString text;
    unsigned type;
};

class TTPlugin : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_previousBox = SetMessageBoxHandler([this](const CString& text, const CString&, unsigned type) {
            m_boxes.push_back({ text, type });
            return m_answer;
        });
        m_previousDebug = SetDebugOutputSink([this](const CString& text) { m_debug += text; });
        auto card = std::make_unique<CMemoryCard>();
        m_card = card.get();
        m_plugin = std::make_unique<CKRXTTBudgetInputPlugin>(std::move(card));
    }
    void TearDown() override
    {
        m_plugin->DeInitialise();
        SetMessageBoxHandler(m_previousBox);
        SetDebugOutputSink(m_previousDebug);
    }

    CMemoryCard* m_card = nullptr;
    std::unique_ptr<CKRXTTBudgetInputPlugin> m_plugin;
    std::vector<Box> m_boxes;
    int m_answer = KRX_IDOK;
    CString m_debug;
    MessageBoxHandler m_previousBox;
    DebugOutputSink m_previousDebug;
};

TEST_F(TTPlugin, NoCardIsNoErrorToShow)
{
    m_card->deviceCount = 0;
    m_plugin->Initialise();
    EXPECT_TRUE(m_boxes.empty());
    EXPECT_EQ(m_debug, "No TT cards installed.\n");
    EXPECT_EQ(m_plugin->GetInputStatus(), "No TT cards installed.");
    EXPECT_EQ(m_plugin->GetName(), "TT Budget DVB Card");
    EXPECT_EQ(m_card->openedDevice, -1);
}

TEST_F(TTPlugin, TwoCardsAskYesOrNo)
{
    m_card->deviceCount = 2;
    m_answer = KRX_IDNO;
    m_plugin->Initialise();
    ASSERT_EQ(m_boxes.size(), 1u);
    EXPECT_EQ(m_boxes[0].text,
        "You appear to have multiple TT devices installed.\r\nClick Yes to use device 0.\r\n"
        "Click No to use device 1.\r\n");
    EXPECT_EQ(m_boxes[0].type & 0x0F, static_cast<unsigned>(KRX_MB_YESNO));
    EXPECT_EQ(m_card->openedDevice, 1);
    EXPECT_TRUE(m_plugin->IsCardUsable());
    EXPECT_EQ(m_plugin->GetName(), "TT Budget DVB-T");
}

TEST_F(TTPlugin, ThreeCardsOfferCancelForTheThird)
{
    m_card->deviceCount = 3;
    m_answer = KRX_IDCANCEL;
    m_plugin->Initialise();
    ASSERT_EQ(m_boxes.size(), 1u);
    EXPECT_NE(m_boxes[0].text.find("Click No to use device 1.\r\nClick Cancel to use device 2.\r\n"), CString::npos);
    EXPECT_EQ(m_boxes[0].type & 0x0F, static_cast<unsigned>(KRX_MB_YESNOCANCEL));
    EXPECT_EQ(m_card->openedDevice, 2);
}

TEST_F(TTPlugin, ADeviceChosenBeforehandIsNotAskedFor)
{
    m_card->deviceCount = 3;
    m_plugin->ChooseDevice(1);
    m_plugin->Initialise();
    EXPECT_TRUE(m_boxes.empty());
    EXPECT_EQ(m_card->openedDevice, 1);
}

TEST_F(TTPlugin, EachFailedStepHasItsMessageAndLeavesTheCardUnusable)
{
    struct Case {
        void (*breakCard)(CMemoryCard&);
        const char* message;
    };
    const Case cases[] = {
        { [](CMemoryCard& c) { c.openResult = CKRXTTCard::OpenFailed; }, "Failed to open TT Card." },
        { [](CMemoryCard& c) { c.resetOk = false; }, "Failed to reset/initialise TT Card." },
        { [](CMemoryCard& c) { c.dmaOk = false; }, "Failed to initialise DMA for TT Card." },
        { [](CMemoryCard& c) { c.frontendOk = false; }, "Failed to initialise TT Card frontend." },
        { [](CMemoryCard& c) { c.frontendType = KRX_TT_FRONTEND_NONE; },
            "Techno Trend card is not DVB-T, DVB-S or DVB-C." },
    };
    for (const Case& c : cases) {
        auto card = std::make_unique<CMemoryCard>();
        c.breakCard(*card);
        CMemoryCard* raw = card.get();
        CKRXTTBudgetInputPlugin plugin(std::move(card));
        m_boxes.clear();
        plugin.Initialise();
        ASSERT_EQ(m_boxes.size(), 1u) << c.message;
        EXPECT_EQ(m_boxes[0].text, c.message);
        EXPECT_EQ(plugin.GetInputStatus(), c.message);
        EXPECT_FALSE(plugin.IsCardUsable());
        // Refused: the source neither tunes nor reads, and says why.
        std::unique_ptr<CDVBTransportStreamSource> source(plugin.OpenMultiplex(nullptr));
        ASSERT_NE(source, nullptr);
        EXPECT_FALSE(source->Initialise());
        EXPECT_FALSE(source->Start());
        unsigned char buffer[188];
        EXPECT_EQ(source->ReadBuffer(buffer, sizeof buffer), 0u);
        CString status;
        source->GetStatus(status);
        EXPECT_EQ(status, c.message);
        EXPECT_TRUE(raw->channels.empty());
        EXPECT_EQ(raw->readCalls, 0);
        plugin.DeInitialise();
    }
}

TEST_F(TTPlugin, NoPermissionSaysHowToGetIt)
{
    m_card->openResult = CKRXTTCard::NotAllowed;
    m_plugin->Initialise();
    ASSERT_EQ(m_boxes.size(), 1u);
    EXPECT_NE(m_boxes[0].text.find("/dev/dvb/adapter0"), CString::npos);
    EXPECT_NE(m_boxes[0].text.find("'video' group"), CString::npos);
}

// Dialogs that say where a scan starts (cancelled while the file is empty)
// and run the scan to its end, answering OK or Cancel.
class CScanningDialogs : public CKRXMultiplexDialogs
{
public:
    CString file;
    int port = -1;
    bool accept = true;
    bool askedForPort = false;
    CString status;
    std::vector<std::vector<CString>> rows;

    bool AskScanStart(CKRXInputPlugin*, SKRXScanStart& start) override
    {
        askedForPort = start.asksSwitchPort;
        start.initialFile = file;
        if (start.asksSwitchPort)
            start.switchPort = port;
        return !file.empty();
    }
    bool RunScan(CKRXInputPlugin*, CKRXScanJob& job) override
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        for (job.Tick(); !job.IsDone() && std::chrono::steady_clock::now() < deadline; job.Tick())
            std::this_thread::sleep_for(std::chrono::milliseconds(job.GetTickMilliseconds()));
        status = job.GetStatusText();
        rows = job.GetFoundRows();
        if (accept)
            job.Commit();
        return accept;
    }
};

KRXTTFoundMultiplex CableMultiplex(uint32_t frequency, std::vector<CString> services)
{
    KRXTTFoundMultiplex found;
    found.system = KRX_TT_DVBC;
    found.frequency = frequency;
    found.symbolRate = 6900000;
    found.services = std::move(services);
    return found;
}

// A cable or satellite card cannot step through its range as a DVB-T card
// does: it scans from a region's file, and keeps what it found on OK only.
TEST_F(TTPlugin, CableAndSatelliteCardsScanFromAChosenInitialTuningFile)
{
    m_card->frontendType = KRX_TT_FRONTEND_DVBC;
    m_card->scanFinds = { CableMultiplex(346000, { "One", "Two" }), CableMultiplex(354000, {}) };
    m_plugin->Initialise();
    CScanningDialogs dialogs;
    CKRXMultiplexDialogs* previous = CKRXMultiplexDialogs::SetMultiplexDialogs(&dialogs);

    EXPECT_FALSE(m_plugin->ScanForMultiplexDefinitions()) << "no file chosen";
    EXPECT_EQ(m_card->scannedPort, -2) << "nothing scanned";

    dialogs.file = "/usr/share/dvb/dvb-c/de-Berlin";
    dialogs.accept = false;
    EXPECT_FALSE(m_plugin->ScanForMultiplexDefinitions());
    EXPECT_FALSE(dialogs.askedForPort) << "a cable has no dish switch";
    EXPECT_EQ(m_card->scannedPort, -1);
    EXPECT_EQ(dialogs.status, "2 multiplexes found.");
    const std::vector<std::vector<CString>> rows { { "346000 kHz", "DVB-C", "One, Two" },
        { "354000 kHz", "DVB-C", "" } };
    EXPECT_EQ(dialogs.rows, rows);
    EXPECT_EQ(m_plugin->GetMultiplexDefinitionCount(), 0) << "Cancel keeps nothing";

    dialogs.accept = true;
    m_card->stopScanAt = 1;
    EXPECT_TRUE(m_plugin->ScanForMultiplexDefinitions());
    EXPECT_EQ(dialogs.status, "1 multiplex found; the scan stopped: the scan was stopped");
    ASSERT_EQ(m_plugin->GetMultiplexDefinitionCount(), 1) << "what was found before the stop is kept on OK";
    EXPECT_EQ(m_plugin->GetMultiplexDefinitionAtIndex(0)->GetName(), "Mux 1");
    EXPECT_TRUE(m_boxes.empty());
    CKRXMultiplexDialogs::SetMultiplexDialogs(previous);
}

TEST_F(TTPlugin, ASatelliteScanGoesBehindTheSwitchPortChosen)
{
    m_card->frontendType = KRX_TT_FRONTEND_DVBS;
    m_plugin->Initialise();
    CScanningDialogs dialogs;
    dialogs.file = "/usr/share/dvb/dvb-s/Astra-19.2E";
    dialogs.port = 2;
    CKRXMultiplexDialogs* previous = CKRXMultiplexDialogs::SetMultiplexDialogs(&dialogs);
    EXPECT_TRUE(m_plugin->ScanForMultiplexDefinitions());
    EXPECT_TRUE(dialogs.askedForPort);
    EXPECT_EQ(m_card->scannedPort, 2);
    CKRXMultiplexDialogs::SetMultiplexDialogs(previous);
}

TEST_F(TTPlugin, OpenedMultiplexTunesACopyOfItsDefinition)
{
    m_plugin->Initialise();
    std::unique_ptr<CDVBMultiplexDefinition> definition(m_plugin->CreateMultiplexDefinition());
    ASSERT_TRUE(definition->ReadFromString("Mux 1, 21 , 474000, off, 8MHz"));
    CDVBTransportStreamSource* source = m_plugin->OpenMultiplex(definition.get());
    definition.reset();
    EXPECT_TRUE(source->Initialise());
    ASSERT_EQ(m_card->channels.size(), 1u);
    EXPECT_EQ(m_card->channels[0].frequency, 474000u);
    EXPECT_EQ(m_card->channels[0].bandwidth, 2u);
    EXPECT_TRUE(m_plugin->CloseMultiplex(source));
    m_plugin->DeInitialise();
    EXPECT_FALSE(m_card->dmaEnabled);
    EXPECT_TRUE(m_card->closed);
}
} // namespace

namespace {
KRXTTFoundMultiplex Found(uint32_t frequency, uint32_t bandwidth = 2)
{
    KRXTTFoundMultiplex found;
    found.frequency = frequency;
    found.bandwidth = bandwidth;
    found.services = { "One", "Two" };
    return found;
}

CString LineOf(CKRXInputPlugin& plugin, int index)
{
    CString line;
    plugin.GetMultiplexDefinitionAtIndex(index)->WriteToString(line);
    return line;
}

TEST_F(TTPlugin, FastScanAddsEachNewMultiplexOnce)
{
    m_plugin->Initialise();
    m_card->scanFinds = { Found(474000, 0), Found(482167), Found(474000, 0) };
    std::vector<KRXTTFoundMultiplex> found;
    CString error;
    int steps = 0;
    EXPECT_TRUE(m_plugin->ScanInitialFile(
        "x", -1, [&](const CString&) { return ++steps > 0; }, found, error));
    EXPECT_EQ(steps, 3);
    EXPECT_EQ(found.size(), 3u);
    ASSERT_EQ(m_plugin->GetMultiplexDefinitionCount(), 2);
    EXPECT_EQ(LineOf(*m_plugin, 0), "Mux 1, 21 , 474000, auto, 6MHz, DVB-T, 0");
    EXPECT_EQ(LineOf(*m_plugin, 1), "Mux 2, 22+, 482167, auto, 8MHz, DVB-T, 0");
}

TEST_F(TTPlugin, FastScanStoppedHalfWayKeepsWhatItFound)
{
    m_plugin->Initialise();
    m_card->scanFinds = { Found(474000), Found(482000), Found(490000) };
    m_card->stopScanAt = 1;
    std::vector<KRXTTFoundMultiplex> found;
    CString error;
    EXPECT_FALSE(m_plugin->ScanInitialFile(
        "x", -1, [](const CString&) { return true; }, found, error));
    EXPECT_EQ(error, "the scan was stopped");
    EXPECT_EQ(m_plugin->GetMultiplexDefinitionCount(), 1);
}

TEST_F(TTPlugin, FastScanOnSatelliteKeepsTransponderParameters)
{
    m_card->frontendType = KRX_TT_FRONTEND_DVBS;
    m_plugin->Initialise();
    KRXTTFoundMultiplex transponder = Found(11954000);
    transponder.symbolRate = 27500000;
    transponder.voltage = 13;
    transponder.viterbi = 3;
    m_card->scanFinds = { transponder };
    std::vector<KRXTTFoundMultiplex> found;
    CString error;
    EXPECT_TRUE(m_plugin->ScanInitialFile(
        "x", -1, [](const CString&) { return true; }, found, error));
    ASSERT_EQ(m_plugin->GetMultiplexDefinitionCount(), 1);
    EXPECT_EQ(
        LineOf(*m_plugin, 0), "Mux 1, 11954, vert, 27500, 3/4, auto, 0, off, 9750, DVB-S, QPSK, 0.35, none, none");
}

TEST_F(TTPlugin, RescanUpdatesChangedDefinitionsAndSaysWhatChanged)
{
    m_plugin->Initialise();
    m_card->scanFinds = { Found(474000), Found(482000) };
    std::vector<KRXTTFoundMultiplex> found;
    CString error;
    ASSERT_TRUE(m_plugin->ScanInitialFile(
        "x", -1, [](const CString&) { return true; }, found, error));
    KRXTTFoundMultiplex moved = Found(474000, KRX_TT_BANDWIDTH_7MHZ);
    moved.system = KRX_TT_DVBT2;
    moved.streamId = 1;
    m_card->scanFinds = { Found(482000), moved };
    found.clear();
    ASSERT_TRUE(m_plugin->ScanInitialFile(
        "x", -1, [](const CString&) { return true; }, found, error));
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].definitionName, "Mux 2");
    EXPECT_EQ(found[0].change, "");
    EXPECT_EQ(found[0].services, (std::vector<CString> { "One", "Two" }));
    EXPECT_EQ(found[1].definitionName, "Mux 1");
    EXPECT_EQ(found[1].change, "Bandwidth 8MHz -> 7MHz; Delivery System DVB-T -> DVB-T2; PLP 0 -> 1");
    ASSERT_EQ(m_plugin->GetMultiplexDefinitionCount(), 2);
    EXPECT_EQ(LineOf(*m_plugin, 0), "Mux 1, 21 , 474000, auto, 7MHz, DVB-T2, 1");
}

TEST_F(TTPlugin, FastScanNeedsAUsableCard)
{
    m_card->deviceCount = 0;
    m_plugin->Initialise();
    std::vector<KRXTTFoundMultiplex> found;
    CString error;
    EXPECT_FALSE(m_plugin->ScanInitialFile(
        "x", -1, [](const CString&) { return true; }, found, error));
    EXPECT_EQ(error, "No TT cards installed.");
}
} // namespace
