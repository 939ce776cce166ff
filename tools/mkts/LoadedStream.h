#pragma once
// An elementary stream ready to multiplex: its units with their times and
// what the PMT says about it.
#include "AccessUnit.h"
#include "MuxDescription.h"

#include <vector>

struct LoadedStream {
    uint16_t pid = 0;
    StreamKind kind = StreamKind::Video;
    uint8_t streamType = 0;
    uint8_t streamId = 0;
    std::vector<AccessUnit> units;

    // Reads and checks every stream of the description and draws its
    // subtitles. Throws MuxError for a missing file or one whose content is
    // not the kind its stream line says.
    static std::vector<LoadedStream> LoadAll(const MuxDescription& mux);
};
