// Painting a subtitle page into every frame, as the display's frame thread
// does, one SetPixel call per subtitle pixel: a 720 x 120 page of a standard
// stream into a 720 x 576 frame, and a 1920 x 160 page of an HD stream into
// an HD frame and, stretched, into a 720 x 576 one.
#include "plugins/subtitles/SubtitleTestStream.h"

#include "DVBDefaultColourTable.h"
#include "DVBSubtitleReceiver.h"

#include <benchmark/benchmark.h>

using namespace subtitle_test;

namespace {

// Lines of text-like runs (codes 0 to 3, every one with an entry) in the top
// field; the empty bottom field repeats them, giving twice as many rows.
Bytes TextLikeObject(int width, int lineCount)
{
    std::vector<std::vector<std::pair<int, uint8_t>>> lines;
    for (int row = 0; row < lineCount; ++row) {
        std::vector<std::pair<int, uint8_t>> runs;
        // 120 runs a line, whatever its width.
        for (int x = 0; x < width; x += width / 120)
            runs.push_back({ width / 120, uint8_t((x / (width / 120) + row) % 4) });
        lines.push_back(runs);
    }
    return Object(1, Lines(lines), {});
}

// The page sits at the bottom of its display; frameWidth and frameHeight are
// the picture's size.
void DrawPage(benchmark::State& state, int displayWidth, int displayHeight, int frameWidth, int frameHeight)
{
    AddDefaultColourTable(BuildDefaultColourTable());
    FakeDisplay display;
    CDVBSubtitleReceiver receiver(nullptr);
    receiver.SetDisplay(&display);
    const int lineCount = displayWidth == 720 ? 60 : 80;
    std::vector<Bytes> segments { Page(2, { { 1, 0, uint16_t(displayHeight - 2 * lineCount - 16) } }),
        Region(1, 1, { { 1, 0, 0 } }),
        Clut(
            1, { { 0, 16, 128, 128, 255 }, { 1, 235, 128, 128, 0 }, { 2, 16, 128, 128, 0 }, { 3, 40, 128, 128, 128 } }),
        TextLikeObject(displayWidth, lineCount) };
    if (displayWidth != 720)
        segments.insert(segments.begin(), DisplayDefinition(displayWidth, displayHeight));
    Bytes pes = Pes(Payload(segments), std::nullopt);
    receiver.ParsePES(pes.data(), static_cast<unsigned long>(pes.size()));
    Frame frame(0x80, 0x80, frameWidth, frameHeight);
    display.Draw(frame, 0); // applies the display set
    if (frame.Y(0, frameHeight * (displayHeight - 2 * lineCount - 16) / displayHeight) != 16)
        state.SkipWithError("the page was not painted");
    for (auto _ : state) {
        display.Draw(frame, 0);
        benchmark::DoNotOptimize(frame.y.data());
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * displayWidth * 2 * lineCount);
    DeleteDefaultColourTables();
}

void SubtitlePageEveryFrame(benchmark::State& state)
{
    DrawPage(state, 720, 576, 720, 576);
}
BENCHMARK(SubtitlePageEveryFrame)->Unit(benchmark::kMicrosecond);

void HDSubtitlePageEveryHDFrame(benchmark::State& state)
{
    DrawPage(state, 1920, 1080, 1920, 1080);
}
BENCHMARK(HDSubtitlePageEveryHDFrame)->Unit(benchmark::kMicrosecond);

void HDSubtitlePageEverySDFrame(benchmark::State& state)
{
    DrawPage(state, 1920, 1080, 720, 576);
}
BENCHMARK(HDSubtitlePageEverySDFrame)->Unit(benchmark::kMicrosecond);

} // namespace
