#pragma once
// One unit of an elementary stream as it goes into one PES packet.
#include "tswriter/TsTypes.h"

#include <optional>

struct AccessUnit {
    ts::Bytes data;
    int64_t pts = 0; // 90 kHz, from the start of the stream
    std::optional<int64_t> dts; // only where it differs from the PTS
    bool randomAccess = false; // a sequence header starts the unit

    int64_t DecodeTime() const { return dts.value_or(pts); }
};
