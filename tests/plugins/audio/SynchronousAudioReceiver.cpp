#include "SynchronousAudioReceiver.h"

#include "DVBAudioPlayer.h"

CSynchronousAudioReceiver::CSynchronousAudioReceiver(std::unique_ptr<CDVBWaveDevice> device)
    : CSynchronousWaveReceiver(
        [](DVBChunkReader reader, DVBStopTest stop, CDVBWaveOutput& output) {
            CDVBAudioPlayer(std::move(reader), std::move(stop), output).Run();
        },
        std::move(device))
{
}
