// Opening the programme grid window on a week of guide for 100 services, as
// "Guide..." does: the window made, the collected guide taken and laid out,
// the window shown and drawn once whole (offscreen).
#include "KRXGuideGridWindow.h"
#include "si/DVBSICollector.h"
#include "support/GuideWeek.h"

#include <QApplication>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <ctime>

namespace {
QApplication& Application()
{
    static int argc = 1;
    static char name[] = "bench_guide_grid_window";
    static char* argv[] = { name, nullptr };
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static QApplication application(argc, argv);
    return application;
}

void BM_OpenGridWindow(benchmark::State& state)
{
    Application();
    CDVBSICollector collector("/nonexistent/");
    FeedGuideWeek(collector, MakeGuideWeek(100, std::time(nullptr)));
    for (auto _ : state) {
        CKRXGuideGridWindow window;
        window.Load(collector.GetGuide(), {}, std::time(nullptr));
        window.show();
        benchmark::DoNotOptimize(window.grab());
    }
}
BENCHMARK(BM_OpenGridWindow)->Unit(benchmark::kMillisecond);
} // namespace
