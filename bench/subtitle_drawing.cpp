// Painting a 720 x 120 subtitle page into a 720 x 576 frame, as the display's
// frame thread does for every frame, one SetPixel call per subtitle pixel.
#include "plugins/subtitles/SubtitleTestStream.h"

#include "DVBDefaultColourTable.h"
#include "DVBSubtitleReceiver.h"

#include <benchmark/benchmark.h>

using namespace subtitle_test;

namespace {

// 60 lines of text-like runs (codes 0 to 3, every one with an entry) in the
// top field; the empty bottom field repeats them, giving 120 rows.
Bytes TextLikeObject()
{
    std::vector<std::vector<std::pair<int, uint8_t>>> lines;
    for (int row = 0; row < 60; ++row) {
        std::vector<std::pair<int, uint8_t>> runs;
        for (int x = 0; x < 720; x += 6)
            runs.push_back({ 6, uint8_t((x / 6 + row) % 4) });
        lines.push_back(runs);
    }
    return Object(1, Lines(lines), {});
}

void SubtitlePageEveryFrame(benchmark::State& state)
{
    AddDefaultColourTable(BuildDefaultColourTable());
    FakeDisplay display;
    CDVBSubtitleReceiver receiver(nullptr);
    receiver.SetDisplay(&display);
    Bytes pes = Pes(Payload({ Page(2, { { 1, 0, 440 } }), Region(1, 1, { { 1, 0, 0 } }),
                        Clut(1,
                            { { 0, 16, 128, 128, 255 }, { 1, 235, 128, 128, 0 }, { 2, 16, 128, 128, 0 },
                                { 3, 40, 128, 128, 128 } }),
                        TextLikeObject() }),
        std::nullopt);
    receiver.ParsePES(pes.data(), static_cast<unsigned long>(pes.size()));
    Frame frame;
    display.Draw(frame, 0); // applies the display set
    if (frame.Y(0, 440) != 16 || frame.Y(719, 559) == 0x80)
        state.SkipWithError("the page was not painted");
    for (auto _ : state) {
        display.Draw(frame, 0);
        benchmark::DoNotOptimize(frame.y.data());
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * 720 * 120);
    DeleteDefaultColourTables();
}
BENCHMARK(SubtitlePageEveryFrame)->Unit(benchmark::kMicrosecond);

} // namespace
