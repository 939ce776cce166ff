#include "stream/DVBPullReceiver.h"

#include "platform/DebugOutput.h"
#include "stream/DVBProgramClock.h"

#include <utility>

CDVBPullReceiver::CDVBPullReceiver(int count, int size)
{
    for (int i = 0; i < count; i++)
        m_freeList.AddBuffer(new CDVBBuffer(size > 0 ? static_cast<unsigned long>(size) : 0));
}

CDVBPullReceiver::~CDVBPullReceiver()
{
    if (m_decodeThread.IsRunning())
        DebugOutput("A pull receiver was destroyed with its decode thread running: its decoder must Stop first\n");
    CDVBPullReceiver::Stop();
}

void CDVBPullReceiver::Start()
{
    if (m_decodeThread.IsRunning())
        return;
    m_stopEvent.Reset();
    m_pesStarted = false;
    m_decodeThread.Start([this] { DecodeThreadProc(); });
}

void CDVBPullReceiver::Stop()
{
    m_stopEvent.Set();
    if (m_decodeThread.IsRunning())
        m_decodeThread.StopWithin(kStopTimeoutMs);
    ReleaseReadBuffer();
    SubmitWriteBuffer();
}

void CDVBPullReceiver::SetPID(unsigned short pid)
{
    CDVBPIDReceiver::SetPID(pid);
    Start();
}

void CDVBPullReceiver::OnStreamStartedAgain()
{
    // What follows continues nothing of the packet in progress.
    m_pesStarted = false;
    m_splicePending = true;
}

void CDVBPullReceiver::DecodeThreadProc()
{
    DecodeStream();
}

void CDVBPullReceiver::OnReceivePacket(uint64_t, unsigned char* packet)
{
    const bool start = IsPayloadUnitStart(packet);
    const bool scrambled = (packet[3] & 0xC0) != 0;
    if (start)
        m_pesStarted = true;
    if (!m_pesStarted || scrambled)
        return;
    if (start) {
        int64_t pts = 0, dts = 0;
        const unsigned long flags = GetTimeStampsFromPacket(packet, pts, dts);
        if (flags != 0)
            OnTimestamps(flags, pts, dts);
    }
    unsigned char* data;
    unsigned long size;
    if (GetPESInternalData(packet, data, size))
        WriteCompressedData(data, size);
}

void CDVBPullReceiver::OnTimestamps(unsigned long flags, int64_t pts, int64_t dts)
{
    if (!GetNextWriteBuffer())
        return;
    m_writeBuffer->SetTimeStamps(flags, pts, dts);
    if (std::exchange(m_splicePending, false))
        m_writeBuffer->MarkBreak(DVB_BUFFER_SPLICE);
    if (m_clockBreaks.HasBroken(m_programClock))
        m_writeBuffer->MarkBreak(DVB_BUFFER_DISCONTINUITY);
    int64_t clock;
    if (m_programClock && m_programClock->GetProgramClock(clock, false))
        m_writeBuffer->SetProgramClock(clock);
}

unsigned long CDVBPullReceiver::WriteCompressedData(unsigned char* data, unsigned long size)
{
    unsigned long accepted = 0;
    while (accepted < size) {
        if (!m_writeBuffer && !GetNextWriteBuffer())
            break;
        const unsigned long copied = m_writeBuffer->Append(data + accepted, size - accepted);
        accepted += copied;
        if (m_writeBuffer->IsFull())
            SubmitWriteBuffer();
        // Only a buffer of no capacity takes nothing; more of them would not help.
        if (copied == 0)
            break;
    }
    return accepted;
}

unsigned long CDVBPullReceiver::ReadCompressedData(unsigned char* destination, unsigned long size)
{
    unsigned long delivered = 0;
    while (delivered < size) {
        if (m_readBuffer) {
            delivered += m_readBuffer->Consume(destination + delivered, size - delivered);
            if (m_readBuffer->GetUsed() == 0)
                ReleaseReadBuffer();
            continue;
        }
        // A stop request wins over queued data, so a stop is never delayed by a full queue.
        if (m_stopEvent.IsSet())
            return delivered;
        if (GetNextReadBuffer())
            continue;
        if (delivered > 0)
            return delivered;
        const int signalled = WaitForEvents({ &m_stopEvent, m_filledList.GetHasBuffersEvent() }, kReadTimeoutMs);
        if (signalled != 1 || !GetNextReadBuffer())
            return 0;
    }
    return delivered;
}

bool CDVBPullReceiver::GetNextReadBuffer()
{
    ReleaseReadBuffer();
    m_readBuffer = m_filledList.RemoveBuffer();
    if (!m_readBuffer)
        return false;
    m_readBuffer->RewindForReading();
    return true;
}

void CDVBPullReceiver::ReleaseReadBuffer()
{
    if (!m_readBuffer)
        return;
    m_readBuffer->SetUsed(0);
    m_freeList.AddBuffer(m_readBuffer);
    m_readBuffer = nullptr;
}

bool CDVBPullReceiver::GetNextWriteBuffer()
{
    SubmitWriteBuffer();
    m_writeBuffer = m_freeList.RemoveBuffer();
    if (!m_writeBuffer)
        return false;
    m_writeBuffer->ResetForWriting();
    return true;
}

void CDVBPullReceiver::SubmitWriteBuffer()
{
    if (!m_writeBuffer)
        return;
    m_writeBuffer->RewindForReading();
    if (m_writeBuffer->GetUsed() > 0)
        m_filledList.AddBuffer(m_writeBuffer);
    else
        m_freeList.AddBuffer(m_writeBuffer);
    m_writeBuffer = nullptr;
}
