// Zapping all evening: the viewing flow opens the demo 100 times and changes
// service 1,000 times while its streams flow into the decoders built beside
// the program (the video decoder, once there) and the test's own draining
// decoders, with an in-memory display. Every thread must be gone at the end
// and the memory flat.
#include "DVBFileTransportStreamSource.h"
#include "KRXFileInputPlugin.h"
#include "ViewingFakes.h"

#include "platform/Clock.h"
#include "plugin/DVBMultiplexDefinition.h"
#include "plugin/KRXPluginManager.h"
#include "si/DVBProgram.h"
#include "support/TemporaryFolder.h"
#include "viewing/KRXViewingFlow.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>

using namespace viewing_test;

namespace {
constexpr int MultiplexCycles = 100;
constexpr int ServiceChangesPerCycle = 10;
// The demo plays this much faster than real time, so that data reaches every
// service chosen and the soak stays short.
constexpr uint32_t Speed = 40;
#ifdef __SANITIZE_ADDRESS__
// The address checker keeps freed memory back for a while, and finds leaks itself.
constexpr bool ResidentMemoryTellsLeaks = false;
#else
constexpr bool ResidentMemoryTellsLeaks = true;
#endif
#ifdef __SANITIZE_THREAD__
// The thread checker starts a thread of its own with the first thread made.
constexpr long CheckerThreads = 1;
#else
constexpr long CheckerThreads = 0;
#endif

// The File plug-in, playing its files fast.
class CFastFileInputPlugin : public CKRXFileInputPlugin
{
public:
    CDVBTransportStreamSource* OpenMultiplex(CDVBMultiplexDefinition* definition) override
    {
        auto* source = static_cast<CDVBFileTransportStreamSource*>(CKRXFileInputPlugin::OpenMultiplex(definition));
        source->SetClock([] { return GetMillisecondTime() * Speed; }, Speed);
        return source;
    }
};

long ThreadCount()
{
    return std::distance(std::filesystem::directory_iterator("/proc/self/task"), std::filesystem::directory_iterator());
}

long ResidentKilobytes()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with("VmRSS:"))
            return std::stol(line.substr(6));
    }
    return -1;
}

// Waits for the condition; false only when something hangs.
template <class Condition> bool WaitFor(Condition condition)
{
    const int64_t deadline = GetMonotonicNanoseconds() + int64_t(5) * KRX_MONOTONIC_FREQUENCY;
    while (!condition()) {
        if (GetMonotonicNanoseconds() > deadline)
            return false;
        CEvent(true, false).Wait(1);
    }
    return true;
}

bool KnowsServices(CDVBTransportStreamReceiver* receiver, std::initializer_list<unsigned short> services)
{
    CSingleLock lock(receiver->GetProgramsSection(), true);
    return std::all_of(services.begin(), services.end(), [receiver](unsigned short number) {
        const CDVBProgram* program = receiver->GetProgram(number);
        return program != nullptr && program->HasSeenPMT();
    });
}
} // namespace

TEST(ZappingSoak, ChangesServiceAThousandTimesAndReopensTheMultiplexAHundredTimes)
{
    const long threadsBefore = ThreadCount();
    // Decoders built beside the program take part; the in-memory display
    // stands in for the real one.
    TemporaryFolder modules;
    if (std::filesystem::exists(KRX_PROGRAM_FOLDER "KRXVideo.so"))
        std::filesystem::copy_file(KRX_PROGRAM_FOLDER "KRXVideo.so", modules.File("KRXVideo.so"));
    CKRXPluginManager* manager = CKRXPluginManager::GetPluginManager();
    manager->LoadPluginsFromFolder(modules.Path());
    Log log;
    CFastFileInputPlugin input;
    CFakeDecoderPlugin video { "video", "video", log, true };
    CFakeDecoderPlugin sound { "audio", "audio", log };
    CFakeDisplayPlugin display { "display", log };
    for (CKRXPlugin* plugin : std::initializer_list<CKRXPlugin*> { &input, &video, &sound, &display })
        manager->AddPlugin(plugin);

    std::unique_ptr<CDVBMultiplexDefinition> demo(input.CreateMultiplexDefinition());
    demo->ReadFieldFromString(1, KRX_PROGRAM_FOLDER "demo/demo.ts");
    const unsigned short services[] = { 1, 2, 3 };
    long residentAfterWarmUp = 0;
    {
        CKRXViewingFlow flow(*manager);
        int changes = 0;
        for (int cycle = 0; cycle < MultiplexCycles; ++cycle) {
            ASSERT_TRUE(flow.OpenMultiplex(&input, demo.get()));
            CDVBTransportStreamReceiver* receiver = flow.GetReceiver();
            ASSERT_TRUE(WaitFor([&] { return KnowsServices(receiver, { 1, 2, 3 }); })) << "cycle " << cycle;
            for (int change = 0; change < ServiceChangesPerCycle; ++change, ++changes) {
                ASSERT_TRUE(flow.SelectService(services[changes % 3]));
                // Stays until the next read has reached the service's decoders.
                const uint64_t packets = receiver->GetPacketsReceived();
                ASSERT_TRUE(WaitFor([&] { return receiver->GetPacketsReceived() > packets; })) << "change " << changes;
            }
            ASSERT_TRUE(flow.CloseMultiplex()) << "cycle " << cycle;
            EXPECT_EQ(video.open + sound.open, 0) << "cycle " << cycle;
            log.clear();
            if (cycle == 9)
                residentAfterWarmUp = ResidentKilobytes();
        }
        const long residentAtEnd = ResidentKilobytes();
        ASSERT_NE(display.display, nullptr);
        std::cout << "Zapping soak: " << changes << " service changes, " << MultiplexCycles << " multiplex cycles, "
                  << CFakeComponentReceiver::bytesRead << " bytes drained, " << display.display->frames
                  << " pictures; resident " << residentAfterWarmUp << " kB after 10 cycles, " << residentAtEnd
                  << " kB at the end" << std::endl;
        EXPECT_GT(CFakeComponentReceiver::bytesRead, 0u);
        // Flat: 90 more cycles add far less than one leaked picture per change would.
        if (ResidentMemoryTellsLeaks)
            EXPECT_LT(residentAtEnd - residentAfterWarmUp, 32 * 1024);
    }
    EXPECT_EQ(display.display, nullptr) << "the display closes with the flow";
    manager->UnloadPlugins();
    EXPECT_EQ(ThreadCount(), threadsBefore + CheckerThreads) << "every thread is joined";
}
