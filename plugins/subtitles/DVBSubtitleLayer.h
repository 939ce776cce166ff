#pragma once
// Paints the current subtitle page into every frame the display shows,
// applying at most one due display set per frame.
#include "DVBSubtitleDisplaySet.h"
#include "DVBSubtitleFrameTarget.h"

#include "plugin/DVBDisplayLayer.h"

class CDVBSubtitleReceiver;

class CDVBSubtitleLayer : public CDVBDisplayLayer
{
public:
    explicit CDVBSubtitleLayer(CDVBSubtitleReceiver& receiver)
        : m_receiver(receiver)
    {
    }
    void DrawIntoFrame(
        int width, int height, int pitch, unsigned char* Y, unsigned char* U, unsigned char* V, int64_t time) override;

private:
    CDVBSubtitleFrameTarget m_frame;
    CDVBSubtitleReceiver& m_receiver;
    CDVBSubtitleDisplaySet m_pageModel;
};
