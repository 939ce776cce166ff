#include "WaveTestSupport.h"

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

std::vector<CSentCommand> CRecordingWaveOutput::Configures() const
{
    std::vector<CSentCommand> configures;
    std::copy_if(sent.begin(), sent.end(), std::back_inserter(configures),
        [](const CSentCommand& command) { return command.code == DVB_AUDIO_CONFIGURE; });
    return configures;
}

ts::Bytes LoadAudioSample(const std::string& name)
{
    std::ifstream file(std::string(KRX_AUDIO_DATA_DIR) + "/" + name, std::ios::binary);
    if (!file)
        throw std::runtime_error("missing sample " + name);
    return ts::Bytes(std::istreambuf_iterator<char>(file), {});
}

void AppendChunks(const ts::Bytes& payload, std::optional<uint32_t> time, std::vector<CAudioChunk>& chunks)
{
    for (size_t offset = 0; offset < payload.size(); offset += 184) {
        const size_t end = std::min(payload.size(), offset + 184);
        chunks.push_back(
            { ts::Bytes(payload.begin() + offset, payload.begin() + end), offset == 0 ? time : std::nullopt });
    }
}

std::vector<CAudioChunk> MakeChunks(const ts::Bytes& stream)
{
    std::vector<CAudioChunk> chunks;
    AppendChunks(stream, std::nullopt, chunks);
    return chunks;
}

CWaveRun::CWaveRun()
    : device(new CMemoryWaveDevice)
    , output(std::unique_ptr<CDVBWaveDevice>(device))
{
    // Half the 33-bit circle ahead of time 0: every frame of a sample is due.
    clock.value = int64_t(1) << 31;
    output.SetProgramClock(&clock);
}

DVBChunkReader CWaveRun::Reader(const std::vector<CAudioChunk>& chunks)
{
    m_next = 0;
    m_offset = 0;
    return [this, &chunks](
               unsigned char* destination, unsigned long size, bool& hasTime, uint32_t& time) -> unsigned long {
        for (int tick = 0; tick < CDVBWaveOutput::kBufferCount; tick++)
            output.Tick();
        hasTime = false;
        if (m_next == chunks.size())
            return 0;
        const CAudioChunk& chunk = chunks[m_next];
        if (m_offset == 0 && chunk.time) {
            hasTime = true;
            time = *chunk.time;
        }
        const unsigned long copied = std::min<unsigned long>(size, chunk.data.size() - m_offset);
        std::copy_n(chunk.data.begin() + m_offset, copied, destination);
        m_offset += copied;
        if (m_offset == chunk.data.size()) {
            m_next++;
            m_offset = 0;
        }
        return copied;
    };
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
