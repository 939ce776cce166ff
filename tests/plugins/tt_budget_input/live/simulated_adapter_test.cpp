// The card input on the simulated adapter, which serves the demo multiplex at
// 474 and 506 MHz (DVB-T) and 522 MHz (DVB-T2, PLP 1) and whose reception the
// control file steers.
#include "KRXTTBudgetInputPlugin.h"
#include "KRXTTMultiplexDefinition.h"

#include "platform/DebugOutput.h"
#include "platform/MessageBox.h"
#include "si/DVBProgram.h"
#include "stream/DVBRecordingParameters.h"
#include "stream/DVBTransportStreamReceiver.h"
#include "stream/DVBTransportStreamSource.h"
#include "support/TemporaryFolder.h"

#include <chrono>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <iterator>
#include <thread>

namespace {
constexpr auto Deadline = std::chrono::seconds(20);

void SetReception(const char* word)
{
    std::ofstream(KRX_LIVE_CONTROL) << word << "\n";
}

// Asks until the condition holds or the deadline passes.
bool WaitUntil(const std::function<bool()>& condition)
{
    const auto end = std::chrono::steady_clock::now() + Deadline;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

CString ReadWhole(const CString& path)
{
    std::ifstream file(path, std::ios::binary);
    return CString(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

class SimulatedAdapter : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SetReception("signal");
        m_previousBox = SetMessageBoxHandler([this](const CString& text, const CString&, unsigned type) {
            m_boxes += text;
            return DefaultMessageBoxAnswer(type);
        });
        m_plugin.Initialise();
        ASSERT_TRUE(m_plugin.IsCardUsable()) << m_boxes << m_plugin.GetInputStatus();
        m_plugin.DeleteAllMultiplexDefinitions();
    }
    void TearDown() override
    {
        CloseMultiplex();
        m_plugin.DeInitialise();
        SetMessageBoxHandler(m_previousBox);
        SetReception("signal");
    }

    void OpenMultiplex(uint32_t frequency, int system = KRX_TT_DVBT, int plp = 0)
    {
        CKRXTTMultiplexDefinition definition(KRX_TT_FRONTEND_DVBT);
        definition.m_name = "Live";
        definition.m_frequency = frequency;
        definition.SetChannelFromFrequency();
        definition.m_system = system;
        definition.m_streamId = plp;
        m_source = m_plugin.OpenMultiplex(&definition);
        m_receiver = new CDVBTransportStreamReceiver(m_source, nullptr);
        m_receiver->Initialise();
        m_receiver->Start();
    }
    void CloseMultiplex()
    {
        if (m_receiver == nullptr)
            return;
        m_receiver->Stop();
        EXPECT_TRUE(m_receiver->WaitForStop(1000));
        m_receiver->DeInitialise();
        delete m_receiver;
        m_receiver = nullptr;
        m_plugin.CloseMultiplex(m_source);
    }
    CString Status()
    {
        CString text;
        m_source->GetStatus(text);
        return text;
    }
    bool HasNowAndNextEverywhere()
    {
        CSingleLock lock(m_receiver->GetProgramsSection(), true);
        int withBoth = 0;
        for (CDVBProgram* program : *m_receiver->GetProgramsList()) {
            CDVBScheduleEntry now, next;
            withBoth += program->GetSchedule()->GetNowAndNextInformation(&now, &next) == (DVB_HAS_NOW | DVB_HAS_NEXT);
        }
        return withBoth == 3;
    }

    CKRXTTBudgetInputPlugin m_plugin;
    CDVBTransportStreamSource* m_source = nullptr;
    CDVBTransportStreamReceiver* m_receiver = nullptr;
    CString m_boxes;
    MessageBoxHandler m_previousBox;
    TemporaryFolder m_folder;
};

TEST_F(SimulatedAdapter, FastScanFollowsTheNITToEveryMultiplex)
{
    const CString initial = m_folder.Write(
        "initial", "[First]\n\tDELIVERY_SYSTEM = DVBT\n\tFREQUENCY = 474000000\n\tBANDWIDTH_HZ = 8000000\n");
    std::vector<KRXTTFoundMultiplex> found;
    CString error;
    ASSERT_TRUE(m_plugin.ScanInitialFile(
        initial, -1, [](const CString&) { return true; }, found, error))
        << error;
    ASSERT_EQ(m_plugin.GetMultiplexDefinitionCount(), 2);
    CString line;
    m_plugin.GetMultiplexDefinitionAtIndex(1)->WriteToString(line);
    EXPECT_EQ(line, "Mux 2, 25 , 506000, auto, 8MHz, DVB-T, 0");
    EXPECT_EQ(found[0].services, (std::vector<CString> { "Korrix One", "Korrix Two", "Korrix Radio" }));
}

TEST_F(SimulatedAdapter, ReceivesServicesWithNowAndNextAndRecordsWhatWasServed)
{
    OpenMultiplex(506000);
    ASSERT_TRUE(
        WaitUntil([this] { return m_receiver->HasCompleteBasicServiceInformation() && HasNowAndNextEverywhere(); }));
    EXPECT_EQ(Status().substr(0, 33), "Lock, DVB-T 64QAM, -45.5 dBm, C/N");
    CDVBRecordingParameters recording(m_folder.File("recording.ts"));
    ASSERT_TRUE(m_receiver->StartRecording(&recording));
    ASSERT_TRUE(WaitUntil([this] { return m_receiver->GetRecordingStatus().bytesWritten >= 500000; }));
    m_receiver->StopRecording();
    // The recording is a stretch of the demo file as the adapter played it in a loop.
    const CString served = ReadWhole(KRX_LIVE_DEMO);
    const CString recorded = ReadWhole(m_folder.File("recording.ts"));
    ASSERT_GE(recorded.size(), 500000u);
    ASSERT_EQ(recorded.size() % 188, 0u);
    // Long enough to be found only where the recording began (the demo repeats its tables).
    const CString looped = served + served;
    const size_t start = looped.find(recorded.substr(0, 200 * 188));
    ASSERT_NE(start, CString::npos);
    ASSERT_LE(recorded.size(), served.size());
    size_t differs = 0;
    while (differs < recorded.size() && looped[start + differs] == recorded[differs])
        ++differs;
    EXPECT_EQ(differs, recorded.size()) << "from byte " << start << " of the file; " << Status();
}

TEST_F(SimulatedAdapter, ALostLockIsShownAndReceptionComesBack)
{
    OpenMultiplex(474000);
    ASSERT_TRUE(WaitUntil([this] { return m_receiver->IsDataBeingReceived(); }));
    SetReception("nosignal");
    ASSERT_TRUE(WaitUntil([this] { return Status() == "no lock" && !m_receiver->IsDataBeingReceived(); })) << Status();
    const uint64_t packets = m_receiver->GetPacketsReceived();
    SetReception("signal");
    ASSERT_TRUE(WaitUntil([this, packets] {
        return Status().starts_with("Lock") && m_receiver->GetPacketsReceived() > packets;
    })) << Status();
}

TEST_F(SimulatedAdapter, AnUnpluggedCardEndsTheStreamWithItsReason)
{
    OpenMultiplex(474000);
    ASSERT_TRUE(WaitUntil([this] { return m_receiver->IsDataBeingReceived(); }));
    SetReception("unplugged");
    ASSERT_TRUE(WaitUntil([this] { return m_source->HasEnded(); }));
    EXPECT_EQ(Status(), "reception ended: the card was removed");
}

TEST_F(SimulatedAdapter, AT2MultiplexIsReceivedOnItsPLPAndNeverOnAnother)
{
    OpenMultiplex(522000, KRX_TT_DVBT2, 1);
    ASSERT_TRUE(WaitUntil([this] { return m_receiver->IsDataBeingReceived(); })) << Status();
    EXPECT_EQ(Status().substr(0, 29), "Lock, DVB-T2 256QAM, -45.5 dB");
    CloseMultiplex();
    OpenMultiplex(522000, KRX_TT_DVBT2, 0);
    EXPECT_TRUE(WaitUntil([this] { return Status() == "no lock"; })) << Status();
    EXPECT_FALSE(m_receiver->IsDataBeingReceived());
}

TEST_F(SimulatedAdapter, AFrequencyWithoutTransmitterNeverLocks)
{
    OpenMultiplex(490000);
    EXPECT_TRUE(WaitUntil([this] { return Status() == "no lock"; })) << Status();
    EXPECT_FALSE(m_source->HasEnded());
}
} // namespace
