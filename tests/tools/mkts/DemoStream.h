#pragma once
// The demo multiplex as korrix-mkts makes it, built once for all tests that
// look into it, at a fixed moment so that times can be checked.
#include "LoadedStream.h"
#include "MuxDescription.h"
#include "tswriter/TsTypes.h"

#include <string>

struct DemoStream {
    static constexpr int64_t MOMENT = 1700000000; // 2023-11-14 22:13:20 UTC

    MuxDescription description;
    uint32_t rate = 0;
    ts::Bytes bytes;

    static const DemoStream& Get();
    // Time of a packet from the stream's start, in 27 MHz ticks.
    int64_t PacketTime(size_t packet) const;
};

std::string DemoPath(const std::string& name);
ts::Bytes ReadWholeFile(const std::string& path);
