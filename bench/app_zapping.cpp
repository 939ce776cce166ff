// Zapping on the demo multiplex as the program does it: the time from
// selecting a television service of the open multiplex to its first picture
// presented (the display paces and counts pictures without showing them).
// The demo's two television services share one picture stream, so each zap
// comes from its radio service, once the last picture has gone: no picture
// decoded before the zap can count as the first one after it.
#include "CliPlugins.h"
#include "FileMultiplexSession.h"
#include "ServiceSearch.h"

#include "platform/Clock.h"
#include "platform/Event.h"
#include "plugin/DVBDisplay.h"
#include "plugin/KRXVideoOutput.h"
#include "viewing/KRXViewingFlow.h"

#include <benchmark/benchmark.h>

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
    CKRXCliPlugins plugins(KRX_PROGRAM_FOLDER);
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
        state.SetIterationTime(double(GetMonotonicNanoseconds() - start) / 1e9);
        toTwo = !toTwo;
    }
    session.Close();
}
BENCHMARK(BM_ZapFromRadioToTelevision)->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);
} // namespace
