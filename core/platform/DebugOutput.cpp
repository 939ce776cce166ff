#include "platform/DebugOutput.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace {
std::mutex g_sinkLock;
DebugOutputSink g_sink;

void DefaultSink(const CString& text)
{
    static const bool enabled = std::getenv("KORRIX_DEBUG") != nullptr;
    if (enabled)
        std::fputs(text.c_str(), stderr);
}
} // namespace

void DebugOutput(const CString& text)
{
    std::lock_guard<std::mutex> hold(g_sinkLock);
    if (g_sink)
        g_sink(text);
    else
        DefaultSink(text);
}

void DebugOutputFormat(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    const CString text = FormatStringV(format, args);
    va_end(args);
    DebugOutput(text);
}

DebugOutputSink SetDebugOutputSink(DebugOutputSink sink)
{
    std::lock_guard<std::mutex> hold(g_sinkLock);
    DebugOutputSink previous = std::move(g_sink);
    g_sink = std::move(sink);
    return previous;
}
