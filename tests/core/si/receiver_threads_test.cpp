// The receive thread builds programmes while another thread reads them under
// the programme lock, drains the update queue and switches the collector's
// export on and off. Run under ThreadSanitizer this checks the locking; the
// waits are on events, never on elapsed time.
#include "SITestHelpers.h"
#include "core/stream/StreamTestSupport.h"
#include "plugin/DVBComponentDefinition.h"
#include "si/DVBProgramList.h"
#include "si/DVBSICollector.h"
#include "si/DVBStandardTSUpdateHandler.h"
#include "tswriter/Descriptors.h"
#include "tswriter/SiTables.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace si_test;
namespace fs = std::filesystem;

namespace {

constexpr uint32_t GENEROUS_MS = 20000;
constexpr int READS = 120;
constexpr uint16_t PROGRAMMES = 3;

// One read's worth of tables, all at the given version so every read changes them.
Bytes Tables(int round)
{
    const uint8_t version = uint8_t(round % 32);
    ts::TsPacketWriter out;
    std::vector<ts::PatEntry> pat = { { 0, 0x10 } };
    std::vector<ts::SdtService> services;
    for (uint16_t n = 1; n <= PROGRAMMES; ++n) {
        pat.push_back({ n, uint16_t(0x100 * n) });
        ts::SdtService service;
        service.serviceId = n;
        service.descriptors = ts::ServiceDescriptor(1, "Provider", "Service " + std::to_string(round));
        services.push_back(service);
    }
    ts::SectionWriter(out, 0x00).Write(ts::PatSection(0x0401, pat, version));
    for (uint16_t n = 1; n <= PROGRAMMES; ++n) {
        const uint16_t base = uint16_t(0x100 * n);
        ts::SectionWriter(out, base).Write(ts::PmtSection(n, uint16_t(base + 1), {},
            { { 2, uint16_t(base + 1), {} },
                { uint8_t(round % 2 ? 3 : 4), uint16_t(base + 2), ts::Iso639LanguageDescriptor("eng") } },
            version));
        ts::EitHeader header;
        header.serviceId = n;
        header.version = version;
        ts::EitEvent now;
        now.start = ts::DvbTime::FromUnix(1100000000 + round * 60);
        now.durationBcd = 0x003000;
        now.runningStatus = 4;
        now.descriptors = ts::ShortEventDescriptor("eng", "Round " + std::to_string(round), "Text");
        ts::SectionWriter(out, 0x12).Write(ts::EitSection(header, { now }));
    }
    ts::SectionWriter(out, 0x11).Write(ts::SdtSection(0x0401, 0x233A, services, version));
    return out.TakeData();
}

// What a user-interface thread does on its refresh timer.
void ReadEverything(
    CTestableReceiver& receiver, CDVBStandardTSUpdateHandler& updates, CDVBSICollector& collector, size_t& updatesSeen)
{
    {
        CSingleLock lock(receiver.GetProgramsSection(), true);
        for (CDVBProgram* program : *receiver.GetProgramsList()) {
            CString text = program->GetServiceName() + program->GetAccessTypeText();
            for (const CDVBProgramElement* element : program->GetElements())
                text += element->GetDescription();
            CDVBScheduleEntry now, next;
            program->GetSchedule()->GetNowAndNextInformation(&now, &next);
        }
        if (updates.HaveUpdatesOccurred()) {
            unsigned short id;
            int type;
            while (updates.RemoveUpdate(id, type)) {
                receiver.GetProgram(id);
                ++updatesSeen;
            }
            updates.ClearUpdates();
        }
    }
    receiver.HasCompleteBasicServiceInformation();
    CDVBComponentDefinition definition;
    receiver.GetComponentDefinition(1, 0x102, &definition);
    CDVBScheduleEntry now, next;
    receiver.GetNowAndNextInformation(2, &now, &next);
    int64_t clock;
    receiver.GetProgramClock(3, clock);
    {
        CSingleLock lock(collector.GetProgramsSection(), true);
        for (CDVBProgram* program : *collector.GetProgramsList())
            program->GetServiceName();
    }
}

} // namespace

TEST(ReceiverSIThreads, ReadersDrainersAndTheExportSwitchShareTheModelSafely)
{
    TimeZone zone("UTC");
    char pattern[] = "/tmp/krx-threads-XXXXXX";
    const fs::path folder = mkdtemp(pattern);
    fs::create_directory(folder / "epg");
    const fs::path exportFile = folder / "epg" / "epg.xml";
    {
        CDVBSICollector collector(folder.string() + "/");
        fs::remove(exportFile);
        CScriptedSource source;
        CDVBStandardTSUpdateHandler updates;
        CTestableReceiver receiver(&source, &updates);
        receiver.SetSICollector(&collector);
        receiver.Initialise();
        for (int round = 0; round < READS; ++round)
            source.QueueRead(Tables(round));
        receiver.Start();

        size_t updatesSeen = 0;
        bool enable = true;
        // Until every read is in and the one-second pass (with the collector's tick) has run.
        while (!source.drainedEvent.IsSet() || source.seconds < 1) {
            ReadEverything(receiver, updates, collector, updatesSeen);
            collector.EnableUpdates(enable);
            enable = !enable;
        }

        // With a change pending and the export on, a write follows within five ticks.
        source.QueueRead(Tables(READS));
        ASSERT_TRUE(source.drainedEvent.Wait(GENEROUS_MS));
        collector.EnableUpdates(true);
        for (int tick = 0; tick < 7 && !fs::exists(exportFile); ++tick)
            ASSERT_TRUE(source.secondEvent.Wait(GENEROUS_MS));
        ReadEverything(receiver, updates, collector, updatesSeen);

        receiver.Stop();
        ASSERT_TRUE(receiver.WaitForStop(GENEROUS_MS));
        receiver.DeInitialise();
        receiver.SetSICollector(nullptr);

        EXPECT_TRUE(fs::exists(exportFile));
        EXPECT_GT(updatesSeen, 0u);
        EXPECT_TRUE(receiver.HasCompleteBasicServiceInformation());
        CSingleLock lock(receiver.GetProgramsSection(), true);
        ASSERT_EQ(receiver.GetProgramsList()->GetCount(), PROGRAMMES);
        EXPECT_EQ(receiver.GetProgram(1)->GetServiceName(), "Service " + std::to_string(READS));
        CDVBScheduleEntry now, next;
        EXPECT_EQ(receiver.GetProgram(3)->GetSchedule()->GetNowAndNextInformation(&now, &next), DVB_HAS_NOW);
        EXPECT_EQ(now.m_title, "Round " + std::to_string(READS));
    }
    fs::remove_all(folder);
}
