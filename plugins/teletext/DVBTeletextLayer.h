#pragma once
// Paints the teletext subtitle page shown now into every frame the display
// shows: the page's picture stretched over the whole frame, its transparent
// pixels letting the picture through. Each due caption replaces the one
// shown; a blank caption leaves nothing.
#include "plugin/DVBDisplayLayer.h"
#include "plugin/DVBTeletextPage.h"

#include <memory>
#include <vector>

class CDVBTeletextReceiver;

class CDVBTeletextLayer : public CDVBDisplayLayer
{
public:
    explicit CDVBTeletextLayer(CDVBTeletextReceiver& receiver)
        : m_receiver(receiver)
    {
    }
    void DrawIntoFrame(
        int width, int height, int pitch, unsigned char* Y, unsigned char* U, unsigned char* V, int64_t time) override;

private:
    // One stretch of frame pixels in one colour.
    struct Run {
        int row, start, end;
        uint8_t y, u, v;
    };
    // Works out the runs of the page for a frame of this size once, rather than at every frame.
    void LayOut(int width, int height);

    CDVBTeletextReceiver& m_receiver;
    std::unique_ptr<CDVBTeletextPage> m_page;
    std::vector<Run> m_runs;
    int m_width = 0;
    int m_height = 0;
};
