// Zapping all evening as korrix-cli plays a file: the plug-ins of the program
// folder, the real display and sound, 100 times opening the zapping multiplex
// (data/zap/) and 1,000 service changes between its two television services
// and its radio service. Every tenth time, the last change goes to the other
// television service and the test watches what the display presents: the new
// service's pictures come, the old one's stop. Leaks and races are the
// sanitizers' to find; the run prints how long the changes held the caller.
#include "DVBDisplayDX.h"
#include "FileMultiplexSession.h"
#include "plugin/KRXLoadedPlugins.h"

#include "platform/Clock.h"
#include "platform/Event.h"
#include "plugin/DVBDisplay.h"
#include "plugin/KRXAudioOutput.h"
#include "plugin/KRXVideoOutput.h"
#include "si/DVBProgram.h"
#include "stream/DVBTransportStreamReceiver.h"
#include "support/ZapColourLayer.h"
#include "viewing/KRXViewingFlow.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <iostream>

namespace {
constexpr int MultiplexCycles = 100;
constexpr int ServiceChangesPerCycle = 10;
constexpr int WatchedEvery = 10;
// The services of data/zap/zap.mux.
constexpr unsigned short RedService = 0x11, BlueService = 0x12, RadioService = 0x13;
constexpr unsigned short Rotation[] = { RedService, BlueService, RadioService };
// Pictures of the new service counted before the old one is taken as gone.
constexpr uint64_t PicturesWatched = 5;
#ifdef __SANITIZE_THREAD__
// The thread checker starts a thread of its own with the first thread made.
constexpr long CheckerThreads = 1;
#else
constexpr long CheckerThreads = 0;
#endif

long ThreadCount()
{
    return std::distance(std::filesystem::directory_iterator("/proc/self/task"), std::filesystem::directory_iterator());
}

// Waits for the condition, looking every millisecond; false only when
// something hangs (a sanitizer slows decoding down many times).
template <class Condition> bool WaitFor(Condition condition)
{
    CEvent never(true, false);
    const int64_t deadline = GetMonotonicNanoseconds() + int64_t(20) * KRX_MONOTONIC_FREQUENCY;
    while (!condition()) {
        if (GetMonotonicNanoseconds() > deadline)
            return false;
        never.Wait(1);
    }
    return true;
}

bool KnowsServices(CDVBTransportStreamReceiver* receiver)
{
    CSingleLock lock(receiver->GetProgramsSection(), true);
    return std::all_of(std::begin(Rotation), std::end(Rotation), [receiver](unsigned short number) {
        const CDVBProgram* program = receiver->GetProgram(number);
        return program != nullptr && program->HasSeenPMT();
    });
}

// How long calls held the caller.
struct Holds {
    int64_t longest = 0;
    int64_t total = 0;
    int count = 0;

    template <class Call> auto Time(Call call)
    {
        const int64_t start = GetMonotonicNanoseconds();
        const auto result = call();
        const int64_t held = GetMonotonicNanoseconds() - start;
        longest = std::max(longest, held);
        total += held;
        ++count;
        return result;
    }
    CString Text() const
    {
        return FormatString("mean %.1f ms, longest %.1f ms", total / 1e6 / std::max(count, 1), longest / 1e6);
    }
};

ZapColourLayer::Colour ColourOf(unsigned short service)
{
    return service == RedService ? ZapColourLayer::Red : ZapColourLayer::Blue;
}
} // namespace

class ZappingOnTheRealOutputs : public testing::Test
{
protected:
    // Changes to the television service and watches the display until its
    // pictures are presented and the other's have stopped.
    void ZapAndWatch(CKRXViewingFlow& flow, unsigned short service)
    {
        const ZapColourLayer::Colour to = ColourOf(service);
        const ZapColourLayer::Colour from = to == ZapColourLayer::Red ? ZapColourLayer::Blue : ZapColourLayer::Red;
        const uint64_t oldBefore = colours.GetCount(from), newBefore = colours.GetCount(to);
        ASSERT_TRUE(selects.Time([&] { return flow.SelectService(service); }));
        ASSERT_TRUE(WaitFor([&] { return colours.GetCount(to) > newBefore; })) << "no picture after the change";
        const uint64_t oldAtFirst = colours.GetCount(from), newAtFirst = colours.GetCount(to);
        // What the old service had queued may still be shown, but no more.
        EXPECT_LE(oldAtFirst - oldBefore, uint64_t(DVB_DISPLAY_QUEUE_FRAMES));
        ASSERT_TRUE(WaitFor([&] { return colours.GetCount(to) >= newAtFirst + PicturesWatched; }))
            << "the pictures stopped after the first";
        EXPECT_EQ(colours.GetCount(from), oldAtFirst) << "a picture of the old service after the new one's";
        ++watched;
    }

    ZapColourLayer colours;
    Holds selects, closes;
    int watched = 0;
};

TEST_F(ZappingOnTheRealOutputs, ChangesServiceAThousandTimesAndReopensTheMultiplexAHundredTimes)
{
    // No display server and no sound device needed, whoever runs the test.
    // The offscreen driver would otherwise draw through OpenGL, loading Mesa
    // (its software rasteriser, uninstrumented, with threads of its own) at
    // every display's start: SDL's own renderer draws into memory instead.
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    setenv("SDL_RENDER_DRIVER", "software", 1);
    setenv("SDL_FRAMEBUFFER_ACCELERATION", "0", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    const long threadsBefore = ThreadCount();
    const int64_t start = GetMonotonicNanoseconds();
    CKRXVideoOutput::Set(CKRXVideoOutput::Window);
    CKRXAudioOutput::Set(CKRXAudioOutput::Device);
    {
        CKRXLoadedPlugins plugins(KRX_PROGRAM_FOLDER);
        CKRXFileMultiplexSession session(plugins);
        CString error;
        ASSERT_TRUE(session.Open(KRX_PROGRAM_FOLDER "zap/zap.ts", error)) << error;
        int changes = 0;
        for (int cycle = 0; cycle < MultiplexCycles; ++cycle) {
            session.StartReceiver();
            CKRXViewingFlow& flow = *session.GetFlow();
            CDVBTransportStreamReceiver* receiver = flow.GetReceiver();
            ASSERT_TRUE(WaitFor([&] { return KnowsServices(receiver); })) << "cycle " << cycle;
            const bool watch = cycle % WatchedEvery == WatchedEvery - 1;
            for (int change = 0; change < ServiceChangesPerCycle - (watch ? 1 : 0); ++change, ++changes) {
                ASSERT_TRUE(selects.Time([&] { return flow.SelectService(Rotation[changes % 3]); }));
                // Stays until the next read has reached the service's decoders.
                const uint64_t packets = receiver->GetPacketsReceived();
                ASSERT_TRUE(WaitFor([&] { return receiver->GetPacketsReceived() > packets; })) << "change " << changes;
            }
            if (watch) {
                // The other television service than the one last chosen.
                const unsigned short to = flow.GetProgramNumber() == RedService ? BlueService : RedService;
                ASSERT_NE(flow.GetDisplay(), nullptr);
                ASSERT_TRUE(flow.GetDisplay()->AddDisplayLayer(&colours));
                ZapAndWatch(flow, to);
                flow.GetDisplay()->RemoveDisplayLayer(&colours);
                ++changes;
                if (HasFatalFailure())
                    return;
            }
            EXPECT_TRUE(closes.Time([&] { return session.Close(); })) << "cycle " << cycle;
        }
        EXPECT_EQ(changes, MultiplexCycles * ServiceChangesPerCycle);
    }
    EXPECT_EQ(watched, MultiplexCycles / WatchedEvery);
    EXPECT_EQ(ThreadCount(), threadsBefore + CheckerThreads) << "every thread is joined";
    std::cout << "Zapping soak: " << selects.count << " service changes (" << selects.Text() << "), " << closes.count
              << " closes (" << closes.Text() << "), " << (GetMonotonicNanoseconds() - start) / KRX_MONOTONIC_FREQUENCY
              << " s" << std::endl;
}
