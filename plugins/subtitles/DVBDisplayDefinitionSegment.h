#pragma once
// The display a subtitle stream is authored for. Subtitles of HD services
// carry one in each display set; a display set without one is meant for a
// 720 x 576 display.
#include "DVBSubtitleSegment.h"

// Larger displays are taken as this many pixels a side: no broadcast needs
// more, and the decoder's work area grows with the display's width.
constexpr int DVB_SUBTITLE_MAX_DISPLAY_SIDE = 4096;

// The display's size and the window, inside it, that region addresses are
// counted from and drawing is kept to (the whole display when none is given).
struct CDVBDisplayDefinition {
    int width = 720;
    int height = 576;
    int windowX = 0;
    int windowY = 0;
    int windowWidth = 720;
    int windowHeight = 576;
};

class CDVBDisplayDefinitionSegment : public CDVBSubtitleSegment
{
public:
    CDVBDisplayDefinitionSegment()
        : CDVBSubtitleSegment(DVB_SEGMENT_DISPLAY_DEFINITION)
    {
    }
    // False when the body is shorter than its fields.
    bool ParseBody(CDVBByteReader& reader) override;

    const CDVBDisplayDefinition& GetDefinition() const { return m_definition; }

private:
    uint8_t m_version = 0;
    CDVBDisplayDefinition m_definition;
};
