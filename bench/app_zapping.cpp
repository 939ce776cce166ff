// Zapping as the program does it: the time from selecting a television
// service of the open multiplex to its first picture presented (the display
// paces and counts pictures without showing them); the mean is the time shown,
// the longest zap the counter max_ms (and between television services, the
// longest time the selection itself held the caller, select_max_ms).
// The demo's two television services share one picture stream, so each zap
// there comes from its radio service, once the last picture has gone: no
// picture decoded before the zap can count as the first one after it.
// On the zapping multiplex each television service has a picture stream of
// its own, and each picture tells its service by a coloured box: a zap from
// one to the other ends with the first picture of the new colour presented.
#include "FileMultiplexSession.h"
#include "plugin/KRXLoadedPlugins.h"
#include "support/ZapColourLayer.h"
#include "viewing/KRXServiceSearch.h"

#include "platform/Clock.h"
#include "platform/Event.h"
#include "plugin/DVBDisplay.h"
#include "plugin/KRXVideoOutput.h"
#include "viewing/KRXViewingFlow.h"

#include <benchmark/benchmark.h>

#include <algorithm>

namespace {
uint64_t PicturesShown(CKRXViewingFlow& flow)
{
    uint64_t shown = 0, dropped = 0;
    if (CDVBDisplay* display = flow.GetDisplay())
        display->GetPictureCounts(shown, dropped);
    return shown;
}

// Waits, looking every millisecond, up to five seconds.
bool WaitFor(const std::function<bool()>& condition)
{
    CEvent never(true, false);
    for (int ms = 0; ms < 5000; ++ms) {
        if (condition())
            return true;
        never.Wait(1);
    }
    return false;
}

// The pictures queued before the radio service was chosen are shown out.
void WaitUntilNoPictureComes(CKRXViewingFlow& flow)
{
    CEvent never(true, false);
    uint64_t shown = PicturesShown(flow);
    for (int quiet = 0; quiet < 500; quiet += 10) {
        never.Wait(10);
        const uint64_t now = PicturesShown(flow);
        if (now != shown)
            quiet = 0;
        shown = now;
    }
}

void BM_ZapFromRadioToTelevision(benchmark::State& state)
{
    CKRXVideoOutput::Set(CKRXVideoOutput::None);
    CKRXLoadedPlugins plugins(KRX_PROGRAM_FOLDER);
    CKRXFileMultiplexSession session(plugins);
    CString error;
    if (!session.Open(KRX_PROGRAM_FOLDER "demo/demo.ts", error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    session.StartReceiver();
    CKRXViewingFlow& flow = *session.GetFlow();
    unsigned short one = 0, two = 0, radio = 0;
    if (!WaitFor([&] {
            return FindService(flow.GetReceiver(), "Korrix One", one) == EServiceSearch::Found
                && FindService(flow.GetReceiver(), "Korrix Two", two) == EServiceSearch::Found
                && FindService(flow.GetReceiver(), "Korrix Radio", radio) == EServiceSearch::Found;
        })) {
        state.SkipWithError("the demo's services never arrived");
        return;
    }
    // The display opens with the first service; zapping starts from a picture on screen.
    flow.SelectService(one);
    WaitFor([&] { return PicturesShown(flow) > 0; });
    bool toTwo = true;
    double longest = 0;
    for (auto _ : state) {
        flow.SelectService(radio);
        WaitUntilNoPictureComes(flow);
        const uint64_t before = PicturesShown(flow);
        const int64_t start = GetMonotonicNanoseconds();
        flow.SelectService(toTwo ? two : one);
        if (!WaitFor([&] { return PicturesShown(flow) > before; })) {
            state.SkipWithError("no picture after zapping");
            return;
        }
        const double seconds = double(GetMonotonicNanoseconds() - start) / 1e9;
        state.SetIterationTime(seconds);
        longest = std::max(longest, seconds);
        toTwo = !toTwo;
    }
    state.counters["max_ms"] = longest * 1000;
    session.Close();
}
BENCHMARK(BM_ZapFromRadioToTelevision)->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);

void BM_ZapBetweenTelevisionServices(benchmark::State& state)
{
    CKRXVideoOutput::Set(CKRXVideoOutput::None);
    CKRXLoadedPlugins plugins(KRX_PROGRAM_FOLDER);
    CKRXFileMultiplexSession session(plugins);
    CString error;
    if (!session.Open(KRX_PROGRAM_FOLDER "zap/zap.ts", error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    session.StartReceiver();
    CKRXViewingFlow& flow = *session.GetFlow();
    unsigned short services[2] = {};
    if (!WaitFor([&] {
            return FindService(flow.GetReceiver(), "Zap Red", services[ZapColourLayer::Red]) == EServiceSearch::Found
                && FindService(flow.GetReceiver(), "Zap Blue", services[ZapColourLayer::Blue]) == EServiceSearch::Found;
        })) {
        state.SkipWithError("the zapping multiplex's services never arrived");
        return;
    }
    // Declared after the session, so it outlives the display it is drawn on.
    ZapColourLayer colours;
    flow.SelectService(services[ZapColourLayer::Red]);
    if (!WaitFor([&] { return flow.GetDisplay() != nullptr; }) || !flow.GetDisplay()->AddDisplayLayer(&colours)
        || !WaitFor([&] { return colours.GetCount(ZapColourLayer::Red) > 0; })) {
        state.SkipWithError("no picture of the first service");
        return;
    }
    ZapColourLayer::Colour to = ZapColourLayer::Blue;
    double longest = 0, longestSelect = 0;
    CEvent never(true, false);
    for (auto _ : state) {
        // Zaps come at varied moments of the services' GOPs.
        never.Wait(200 + 137 * uint32_t(state.iterations()) % 700);
        const uint64_t before = colours.GetCount(to);
        const int64_t start = GetMonotonicNanoseconds();
        flow.SelectService(services[to]);
        longestSelect = std::max(longestSelect, double(GetMonotonicNanoseconds() - start) / 1e9);
        if (!WaitFor([&] { return colours.GetCount(to) > before; })) {
            state.SkipWithError("no picture of the new service after zapping");
            break;
        }
        const double seconds = double(GetMonotonicNanoseconds() - start) / 1e9;
        state.SetIterationTime(seconds);
        longest = std::max(longest, seconds);
        to = to == ZapColourLayer::Red ? ZapColourLayer::Blue : ZapColourLayer::Red;
    }
    state.counters["max_ms"] = longest * 1000;
    state.counters["select_max_ms"] = longestSelect * 1000;
    flow.GetDisplay()->RemoveDisplayLayer(&colours);
    session.Close();
}
BENCHMARK(BM_ZapBetweenTelevisionServices)->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);
} // namespace
