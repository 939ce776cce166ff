#include "DVBAudioPlayer.h"

#include "DVBWaveOutput.h"

#include "platform/DebugOutput.h"

#include <cstring>

CDVBAudioPlayer::CDVBAudioPlayer(Reader reader, StopTest stopRequested, CDVBWaveOutput& output)
    : m_reader(std::move(reader))
    , m_stopRequested(std::move(stopRequested))
    , m_output(output)
    , m_input(kInputCapacity + MAD_BUFFER_GUARD)
{
}

void CDVBAudioPlayer::Run()
{
    CDVBAudioCommand init;
    init.code = DVB_AUDIO_INIT;
    if (m_output.Command(init) != 0) {
        Report("audio", m_output.GetErrorText());
        return;
    }
    mad_decoder decoder;
    mad_decoder_init(&decoder, this, OnInput, OnHeader, OnFilter, OnOutput, OnError, nullptr);
    mad_decoder_run(&decoder, MAD_DECODER_MODE_SYNC);
    mad_decoder_finish(&decoder);

    CDVBAudioCommand finish;
    finish.code = DVB_AUDIO_FINISH;
    if (m_output.Command(finish) != 0)
        Report("audio", m_output.GetErrorText());
}

uint32_t CDVBAudioPlayer::GetDuration(const mad_timer_t& duration)
{
    // The double nearest 1/352800000 lies just below it, so whole-tick
    // durations come out one tick short; frame times are extrapolated with
    // exactly these values.
    const double fraction = double(duration.fraction) * (1.0 / MAD_TIMER_RESOLUTION) * 45000;
    return static_cast<uint32_t>(duration.seconds * 45000 + static_cast<uint32_t>(fraction));
}

mad_flow CDVBAudioPlayer::OnInput(void* player, mad_stream* stream)
{
    return static_cast<CDVBAudioPlayer*>(player)->Input(stream);
}

mad_flow CDVBAudioPlayer::OnHeader(void* player, const mad_header* header)
{
    return static_cast<CDVBAudioPlayer*>(player)->Header(header);
}

mad_flow CDVBAudioPlayer::OnFilter(void* player, const mad_stream* stream, mad_frame*)
{
    return static_cast<CDVBAudioPlayer*>(player)->Filter(stream);
}

mad_flow CDVBAudioPlayer::OnOutput(void* player, const mad_header* header, mad_pcm* pcm)
{
    return static_cast<CDVBAudioPlayer*>(player)->Output(header, pcm);
}

mad_flow CDVBAudioPlayer::OnError(void*, mad_stream*, mad_frame*)
{
    // The library would play a frame whose decoding failed (a bad CRC among
    // others) from the previous frame's data when told to ignore the error;
    // continuing skips it.
    return MAD_FLOW_CONTINUE;
}

mad_flow CDVBAudioPlayer::Input(mad_stream* stream)
{
    if (m_endOfInput)
        return MAD_FLOW_STOP;
    if (stream->next_frame) {
        const unsigned char* next = stream->next_frame;
        if (next == m_input.data() && m_inputLength == kInputCapacity) {
            // Cannot happen with a legal frame: the buffer holds the largest.
            m_inputPosition += m_inputLength;
            m_inputLength = 0;
        } else {
            m_inputPosition += static_cast<unsigned long>(next - m_input.data());
            m_inputLength -= static_cast<unsigned long>(next - m_input.data());
            std::memmove(m_input.data(), next, m_inputLength);
        }
    }
    bool hasTime = false;
    uint32_t time = 0;
    const unsigned long leftover = m_inputLength;
    const unsigned long read = m_reader(m_input.data() + leftover, kInputCapacity - leftover, hasTime, time);
    if (read == 0) {
        // The library needs guard bytes after the last frame to decode it.
        m_endOfInput = true;
        std::memset(m_input.data() + leftover, 0, MAD_BUFFER_GUARD);
        m_inputLength += MAD_BUFFER_GUARD;
    } else {
        m_inputLength += read;
    }
    if (hasTime)
        m_times.AddStamp(m_inputPosition + leftover, time);
    m_stream = stream;
    mad_stream_buffer(stream, m_input.data(), m_inputLength);
    return MAD_FLOW_CONTINUE;
}

mad_flow CDVBAudioPlayer::Header(const mad_header* header)
{
    // The library calls this once a frame is whole in the input, so the frame
    // is where the stream says it begins.
    const uint64_t position = m_inputPosition + static_cast<uint64_t>(m_stream->this_frame - m_input.data());
    m_frameTime = m_times.StartFrame(position, GetDuration(header->duration));
    return MAD_FLOW_CONTINUE;
}

mad_flow CDVBAudioPlayer::Filter(const mad_stream* stream)
{
    if (m_stopRequested()) {
        CDVBAudioCommand stop;
        stop.code = DVB_AUDIO_STOP;
        stop.stop.flush = true;
        m_output.Command(stop);
        return MAD_FLOW_STOP;
    }
    return IsFollowedByFrame(stream) ? MAD_FLOW_CONTINUE : MAD_FLOW_IGNORE;
}

// Once in step, the library takes whatever follows a frame for the next one,
// so a truncated frame or a stretch of other data decodes into loud noise. A
// frame is played only when a frame header follows where it ends, or the
// input does.
bool CDVBAudioPlayer::IsFollowedByFrame(const mad_stream* stream) const
{
    const unsigned char* next = stream->next_frame;
    const unsigned char* end = m_input.data() + m_inputLength;
    if (m_endOfInput && next == end - MAD_BUFFER_GUARD)
        return true;
    if (!next || end - next < 4)
        return false;
    const bool sync = next[0] == 0xFF && (next[1] & 0xE0) == 0xE0;
    const bool layer = (next[1] & 0x06) != 0;
    const bool bitrate = (next[2] & 0xF0) != 0xF0;
    const bool rate = (next[2] & 0x0C) != 0x0C;
    return sync && layer && bitrate && rate;
}

mad_flow CDVBAudioPlayer::Output(const mad_header* header, const mad_pcm* pcm)
{
    const DVBFixed* first = pcm->samples[0];
    const DVBFixed* second = nullptr;
    unsigned int channels = 1;
    if (pcm->channels == 2) {
        if (header->mode != MAD_MODE_DUAL_CHANNEL) {
            second = pcm->samples[1];
            channels = 2;
        } else if (!m_dualReported) {
            // Two languages: nothing chooses between them, so the first plays.
            Report("output", "no channel selected for dual channel; using first");
            m_dualReported = true;
        }
    }

    if ((channels != m_channelsIn || pcm->samplerate != m_rateIn) && !SendConfigure(channels, pcm->samplerate))
        return MAD_FLOW_BREAK;

    CDVBAudioCommand play;
    play.code = DVB_AUDIO_PLAY;
    play.play.count = pcm->length;
    play.play.first = first;
    play.play.second = second;
    play.play.mode = DVB_PCM_DITHER;
    play.play.statistics = &m_statistics;
    play.play.time = m_frameTime;
    if (m_output.Command(play) != 0) {
        Report("output", m_output.GetErrorText());
        return MAD_FLOW_BREAK;
    }
    return MAD_FLOW_CONTINUE;
}

bool CDVBAudioPlayer::SendConfigure(unsigned int channels, unsigned int rate)
{
    if (!m_output.SendConfigure(channels, rate)) {
        Report("output", m_output.GetErrorText());
        return false;
    }
    m_channelsIn = channels;
    m_rateIn = rate;
    return true;
}

// The plug-in has no console: reports go to the diagnostic channel.
void CDVBAudioPlayer::Report(const char* component, const CString& message)
{
    DebugOutput(CString(component) + ": " + message + "\n");
}
