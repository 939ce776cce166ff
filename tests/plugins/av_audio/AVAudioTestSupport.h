#pragma once
// The libavcodec sound decoder run on the test's own thread, on chunks or on
// transport packets, into the in-memory device.
#include "DVBAVAudioPlayer.h"
#include "SynchronousWaveReceiver.h"
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

class CSynchronousAVAudioReceiver : public CSynchronousWaveReceiver
{
public:
    explicit CSynchronousAVAudioReceiver(AVCodecID codec, std::unique_ptr<CDVBWaveDevice> device = {})
        : CSynchronousWaveReceiver(
            [codec](DVBChunkReader reader, DVBStopTest stop, CDVBWaveOutput& output) {
                CDVBAVAudioPlayer(codec, std::move(reader), std::move(stop), output).Run();
            },
            std::move(device))
    {
    }
};
