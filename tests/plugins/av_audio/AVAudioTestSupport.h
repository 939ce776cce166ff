#pragma once
// The libavcodec sound decoder run on the test's own thread, on chunks, into
// the in-memory device.
#include "DVBAVAudioPlayer.h"
#include "WaveTestSupport.h"

class CAVPlayerRun : public CWaveRun
{
public:
    explicit CAVPlayerRun(AVCodecID codec)
        : m_codec(codec)
    {
    }

    void Play(const std::vector<CAudioChunk>& chunks)
    {
        CDVBAVAudioPlayer player(
            m_codec, Reader(chunks), [] { return false; }, output);
        player.Run();
        frames = player.GetFrameCount();
        dropped = player.GetDroppedCount();
    }

    unsigned long frames = 0;
    unsigned long dropped = 0;

private:
    AVCodecID m_codec;
};
