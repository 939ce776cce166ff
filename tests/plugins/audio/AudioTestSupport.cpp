#include "AudioTestSupport.h"

#include "MpegAudioStream.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

int CRecordingWaveOutput::Command(CDVBAudioCommand& command)
{
    CSentCommand noted { command.code };
    if (command.code == DVB_AUDIO_CONFIGURE) {
        noted.channels = command.configure.channels;
        noted.rate = command.configure.rate;
    } else if (command.code == DVB_AUDIO_PLAY) {
        noted.count = command.play.count;
        noted.stereo = command.play.second != nullptr;
        noted.time = command.play.time;
    }
    sent.push_back(noted);
    return CDVBWaveOutput::Command(command);
}

std::vector<uint32_t> CRecordingWaveOutput::PlayTimes() const
{
    std::vector<uint32_t> times;
    for (const CSentCommand& command : sent)
        if (command.code == DVB_AUDIO_PLAY)
            times.push_back(command.time);
    return times;
}

ts::Bytes LoadAudioSample(const std::string& name)
{
    std::ifstream file(std::string(KRX_AUDIO_DATA_DIR) + "/" + name, std::ios::binary);
    if (!file)
        throw std::runtime_error("missing sample " + name);
    return ts::Bytes(std::istreambuf_iterator<char>(file), {});
}

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

namespace {
void AppendChunks(const ts::Bytes& payload, std::optional<uint32_t> time, std::vector<CAudioChunk>& chunks)
{
    for (size_t offset = 0; offset < payload.size(); offset += 184) {
        const size_t end = std::min(payload.size(), offset + 184);
        chunks.push_back(
            { ts::Bytes(payload.begin() + offset, payload.begin() + end), offset == 0 ? time : std::nullopt });
    }
}
} // namespace

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

std::vector<CAudioChunk> MakeChunks(const ts::Bytes& stream)
{
    std::vector<CAudioChunk> chunks;
    AppendChunks(stream, std::nullopt, chunks);
    return chunks;
}

CPlayerRun::CPlayerRun()
    : device(new CMemoryWaveDevice)
    , output(std::unique_ptr<CDVBWaveDevice>(device))
{
    // Half the 33-bit circle ahead of time 0: every frame of a sample is due.
    clock.value = int64_t(1) << 31;
    output.SetProgramClock(&clock);
}

void CPlayerRun::Play(const std::vector<CAudioChunk>& chunks)
{
    size_t next = 0;
    size_t offset = 0;
    auto reader = [&](unsigned char* destination, unsigned long size, bool& hasTime, uint32_t& time) -> unsigned long {
        for (int tick = 0; tick < CDVBWaveOutput::kBufferCount; tick++)
            output.Tick();
        hasTime = false;
        if (next == chunks.size())
            return 0;
        const CAudioChunk& chunk = chunks[next];
        if (offset == 0 && chunk.time) {
            hasTime = true;
            time = *chunk.time;
        }
        const unsigned long copied = std::min<unsigned long>(size, chunk.data.size() - offset);
        std::copy_n(chunk.data.begin() + offset, copied, destination);
        offset += copied;
        if (offset == chunk.data.size()) {
            next++;
            offset = 0;
        }
        return copied;
    };
    CDVBAudioPlayer player(
        reader, [] { return false; }, output);
    player.Run();
    statistics = player.GetStatistics();
}

std::vector<int16_t> ToSamples(const std::vector<unsigned char>& pcm)
{
    std::vector<int16_t> samples(pcm.size() / 2);
    for (size_t i = 0; i < samples.size(); i++)
        samples[i] = static_cast<int16_t>(pcm[2 * i] | (pcm[2 * i + 1] << 8));
    return samples;
}

int PeakOf(const std::vector<int16_t>& samples)
{
    int peak = 0;
    for (int16_t sample : samples)
        peak = std::max(peak, std::abs(int(sample)));
    return peak;
}
