// What opening the programme grid costs on a week of guide for 100 services
// (about 20,000 events): taking the collected guide out of the collector and
// laying it out, then what one screenful of drawing asks of the layout, and
// a search through every title and description.
#include "si/DVBSICollector.h"
#include "support/GuideWeek.h"
#include "viewing/KRXGuideGrid.h"

#include <benchmark/benchmark.h>

#include <ctime>

namespace {
constexpr int Services = 100;
struct Week {
    Week()
    {
        const int64_t now = std::time(nullptr);
        FeedGuideWeek(collector, MakeGuideWeek(Services, now));
    }
    CDVBSICollector collector { "/nonexistent/" };
};

Week& TheWeek()
{
    static Week week;
    return week;
}

void BM_OpenGrid(benchmark::State& state)
{
    Week& week = TheWeek();
    size_t events = 0;
    for (auto _ : state) {
        CKRXGuideGrid grid;
        std::vector<CDVBGuideService> guide = week.collector.GetGuide();
        for (const CDVBGuideService& service : guide)
            events += service.events.size();
        grid.SetGuide(std::move(guide), {}, std::time(nullptr));
        benchmark::DoNotOptimize(grid.GetWidth());
    }
    state.counters["events"] = benchmark::Counter(static_cast<double>(events) / state.iterations());
}
BENCHMARK(BM_OpenGrid)->Unit(benchmark::kMillisecond);

// Fifteen rows by four hours: what one drawing of the window looks up.
void BM_Screenful(benchmark::State& state)
{
    CKRXGuideGrid grid;
    grid.SetGuide(TheWeek().collector.GetGuide(), {}, std::time(nullptr));
    const int from = grid.GetWidth() / 2;
    for (auto _ : state) {
        size_t cells = 0;
        for (int row = 40; row < 55; ++row)
            cells += grid.GetCellsBetween(row, from, from + 4 * CKRXGuideGrid::PixelsPerHour).size();
        benchmark::DoNotOptimize(cells);
        benchmark::DoNotOptimize(grid.GetMarks(from, from + 4 * CKRXGuideGrid::PixelsPerHour));
    }
}
BENCHMARK(BM_Screenful)->Unit(benchmark::kMicrosecond);

void BM_Search(benchmark::State& state)
{
    CKRXGuideGrid grid;
    grid.SetGuide(TheWeek().collector.GetGuide(), {}, std::time(nullptr));
    for (auto _ : state)
        benchmark::DoNotOptimize(grid.Search("Episode 150: what"));
}
BENCHMARK(BM_Search)->Unit(benchmark::kMillisecond);
} // namespace
