// Decoding of DVB texts as the service list and guide do it: an event
// description of 200 characters in the default table (own table), in an
// ISO 8859 part (through iconv) and in UTF-8.
#include "si/DVBText.h"

#include <benchmark/benchmark.h>

namespace {
CString Description(const CString& selector, const CString& accented)
{
    CString text = selector;
    while (text.size() < 200)
        text += "Magazine de la sant" + accented + " pr" + accented + "sent" + accented + " par Marina. ";
    return text;
}

void Decode(benchmark::State& state, const CString& raw)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(DVBTextToUTF8(raw));
    state.SetItemsProcessed(state.iterations());
}

void BM_DefaultTable(benchmark::State& state)
{
    Decode(state,
        Description("",
            "\xC2"
            "e"));
}
void BM_ISO8859Part(benchmark::State& state)
{
    Decode(state, Description(CString("\x10\x00\x01", 3), "\xE9"));
}
void BM_UTF8(benchmark::State& state)
{
    Decode(state, Description("\x15", "\xC3\xA9"));
}
} // namespace

BENCHMARK(BM_DefaultTable);
BENCHMARK(BM_ISO8859Part);
BENCHMARK(BM_UTF8);
