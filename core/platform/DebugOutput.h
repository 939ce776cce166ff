#pragma once
// The diagnostic channel. Lines are not shown to the user; by default they go
// to standard error only when KORRIX_DEBUG is set. Tests install a sink.
#include "platform/CString.h"

#include <functional>

using DebugOutputSink = std::function<void(const CString& text)>;

void DebugOutput(const CString& text);
void DebugOutputFormat(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Replaces the sink; an empty function restores the default. Returns the previous sink.
DebugOutputSink SetDebugOutputSink(DebugOutputSink sink);
