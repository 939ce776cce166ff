#pragma once
// The libavcodec sound decoder on a synchronous receiver: a whole stream of
// transport packets plays on the caller's thread. For fuzzing and benchmarks.
#include "DVBAVAudioPlayer.h"
#include "SynchronousWaveReceiver.h"

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
