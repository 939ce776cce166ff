#include "DVBWaveReceiver.h"

CDVBWaveReceiver::CDVBWaveReceiver(CKRXDecoderPlugin* plugin, EDVBSoundCoding coding,
    std::unique_ptr<CDVBWaveDevice> device, int chunkCount, int waveBufferCount)
    : CDVBPullReceiver(chunkCount, kChunkSize)
    , m_output(std::move(device), waveBufferCount)
    , m_plugin(plugin)
    , m_codings(coding)
{
    m_type = DVB_RECEIVER_AUDIO;
}

void CDVBWaveReceiver::SetProgramClock(CDVBProgramClock* clock)
{
    CDVBPullReceiver::SetProgramClock(clock);
    m_output.SetProgramClock(clock);
}

unsigned long CDVBWaveReceiver::WriteCompressedData(unsigned char* data, unsigned long size)
{
    if (size == 0 || (!m_writeBuffer && !GetNextWriteBuffer()))
        return 0;
    const unsigned long accepted = m_writeBuffer->Append(data, size);
    SubmitWriteBuffer();
    return accepted;
}

unsigned long CDVBWaveReceiver::ReadChunk(unsigned char* destination, unsigned long size, bool& hasTime, uint32_t& time)
{
    hasTime = false;
    if (!m_readBuffer) {
        // Queued chunks are taken without a wait; the decoder looks for a stop at every frame.
        // Nothing but a stop ends the wait: Stop sets the event it waits on.
        if (!GetNextReadBuffer()
            && (WaitForEvents({ &m_stopEvent, m_filledList.GetHasBuffersEvent() }, KRX_INFINITE) != 1
                || !GetNextReadBuffer()))
            return 0;
        // Sound still waiting belongs to the timeline before the break.
        if (m_readBuffer->GetFlags() & DVB_BUFFER_DISCONTINUITY)
            m_output.Flush();
        if (m_readBuffer->GetFlags() & DVB_BUFFER_PTS_VALID) {
            hasTime = true;
            time = static_cast<uint32_t>(m_readBuffer->GetPTS() >> 1);
        }
    }
    const unsigned long copied = m_readBuffer->Consume(destination, size);
    m_codings.Examine(destination, copied);
    if (m_readBuffer->GetUsed() == 0)
        ReleaseReadBuffer();
    return copied;
}
