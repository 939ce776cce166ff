#include "WaveTestSupport.h"

#include <algorithm>
#include <cmath>
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
    output.SetProgramClock(&clock);
}

DVBChunkReader CWaveRun::Reader(const std::vector<CAudioChunk>& chunks)
{
    m_next = 0;
    m_offset = 0;
    return [this, &chunks](
               unsigned char* destination, unsigned long size, bool& hasTime, uint32_t& time) -> unsigned long {
        // The clock stands at the newest frame sent: every frame is due, and
        // none so far behind that it would count as another timeline's.
        const std::vector<uint32_t> times = output.PlayTimes();
        clock.value = times.empty() ? 0 : int64_t(times.back()) << 1;
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

std::vector<int16_t> DecodeWithFfmpeg(const std::string& sample, const std::string& output, const std::string& options)
{
    const std::string command = "ffmpeg -nostdin -v error -y -i '" + std::string(KRX_AUDIO_DATA_DIR) + "/" + sample
        + "' " + options + " -f s16le -acodec pcm_s16le '" + output + "'";
    if (std::system(command.c_str()) != 0)
        throw std::runtime_error("ffmpeg failed on " + sample);
    std::ifstream file(output, std::ios::binary);
    return ToSamples(std::vector<unsigned char>(std::istreambuf_iterator<char>(file), {}));
}

namespace {
// Signal-to-noise in dB of ours against the reference, ours shifted by shift values.
double SignalToNoise(const std::vector<int16_t>& reference, const std::vector<int16_t>& ours, long shift)
{
    double signal = 0, noise = 0;
    for (size_t i = 0; i < reference.size(); i++) {
        const long j = long(i) + shift;
        if (j < 0 || j >= long(ours.size()))
            continue;
        signal += double(reference[i]) * reference[i];
        const double difference = double(reference[i]) - ours[size_t(j)];
        noise += difference * difference;
    }
    return 10 * std::log10(signal / std::max(noise, 1.0));
}
} // namespace

CAlignment AlignAndCompare(
    const std::vector<int16_t>& reference, const std::vector<int16_t>& ours, int channels, long maxShift)
{
    CAlignment best { -100, 0 };
    for (long shift = -maxShift; shift <= maxShift; shift++) {
        const double snr = SignalToNoise(reference, ours, shift * channels);
        if (snr > best.snr)
            best = { snr, shift };
    }
    return best;
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
