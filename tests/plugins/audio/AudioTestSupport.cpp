#include "AudioTestSupport.h"

#include "MpegAudioStream.h"

#include <algorithm>

std::vector<ts::Bytes> SplitFrames(const ts::Bytes& stream)
{
    std::vector<ts::Bytes> frames;
    const MpegAudioStream parsed(stream, "sample");
    for (const AccessUnit& unit : parsed.Units())
        frames.push_back(unit.data);
    return frames;
}

ts::Bytes JoinFrames(const std::vector<ts::Bytes>& frames)
{
    ts::Bytes joined;
    for (const ts::Bytes& frame : frames)
        joined.insert(joined.end(), frame.begin(), frame.end());
    return joined;
}

std::vector<CAudioChunk> MakeChunks(
    const std::vector<ts::Bytes>& frames, int framesPerPacket, uint32_t firstTime, uint32_t frameDuration)
{
    std::vector<CAudioChunk> chunks;
    for (size_t first = 0; first < frames.size(); first += framesPerPacket) {
        const size_t end = std::min(frames.size(), first + framesPerPacket);
        const ts::Bytes payload = JoinFrames(std::vector<ts::Bytes>(frames.begin() + first, frames.begin() + end));
        AppendChunks(payload, firstTime + static_cast<uint32_t>(first) * frameDuration, chunks);
    }
    return chunks;
}

void CPlayerRun::Play(const std::vector<CAudioChunk>& chunks)
{
    CDVBAudioPlayer player(
        Reader(chunks), [] { return false; }, output);
    player.Run();
    statistics = player.GetStatistics();
}
