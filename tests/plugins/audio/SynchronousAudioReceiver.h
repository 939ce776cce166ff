#pragma once
// The MPEG audio decoder on a synchronous receiver: a whole stream of
// transport packets plays on the caller's thread. For fuzzing and benchmarks.
#include "SynchronousWaveReceiver.h"

class CSynchronousAudioReceiver : public CSynchronousWaveReceiver
{
public:
    explicit CSynchronousAudioReceiver(std::unique_ptr<CDVBWaveDevice> device = {});
};
