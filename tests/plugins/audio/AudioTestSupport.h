#pragma once
// What the MPEG audio tests add to the sound decoders' shared support: the
// committed MP2 samples cut into frames, stamped chunks of them, and the MPEG
// audio player run on the test's own thread.
#include "DVBAudioPlayer.h"
#include "WaveTestSupport.h"

std::vector<ts::Bytes> SplitFrames(const ts::Bytes& stream);
ts::Bytes JoinFrames(const std::vector<ts::Bytes>& frames);

// PES packets of framesPerPacket frames each, the first stamped with
// firstTime and each later one with the time its first frame is due, cut into
// chunks of at most 184 bytes.
std::vector<CAudioChunk> MakeChunks(
    const std::vector<ts::Bytes>& frames, int framesPerPacket, uint32_t firstTime, uint32_t frameDuration);

// Runs the MPEG audio player on the chunks; the device keeps what it played.
class CPlayerRun : public CWaveRun
{
public:
    void Play(const std::vector<CAudioChunk>& chunks);

    CDVBClipStatistics statistics;
};
