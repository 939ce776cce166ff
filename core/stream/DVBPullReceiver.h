#pragma once
// The PID receiver base for decoders that run on a thread of their own. On the
// receive thread it strips transport and PES headers into a fixed pool of
// buffers, starting a new buffer at every PES packet with a PTS or DTS and
// stamping it; on the decode thread the derived decoder pulls the filled
// buffers as a byte stream (ReadCompressedData) or buffer by buffer.
//
// Lifecycle: the decode thread runs DecodeStream on the derived object, so it
// must never run while that object is incomplete. The constructor therefore
// starts no thread; Start does, and so does SetPID, which the transport stream
// receiver calls when the receiver is registered, after construction. Every
// class that overrides DecodeStream calls Stop() first in its destructor, so
// the thread has ended before that class's members go. The base destructor
// stops a thread that is still running and reports the derived class's fault
// on the debug output.
#include "platform/Event.h"
#include "platform/Thread.h"
#include "stream/DVBBufferList.h"
#include "stream/DVBClockBreakWatch.h"
#include "stream/DVBPIDReceiver.h"

class CDVBPullReceiver : public CDVBPIDReceiver
{
public:
    // count buffers of size bytes each, allocated here and never again.
    CDVBPullReceiver(int count, int size);
    ~CDVBPullReceiver() override;
    CDVBPullReceiver(const CDVBPullReceiver&) = delete;
    CDVBPullReceiver& operator=(const CDVBPullReceiver&) = delete;

    // Starts the decode thread unless it runs already.
    void Start() override;
    // Asks the decode thread to end, waits up to a second and joins it, then
    // hands the current buffers back to the lists. Only called once the
    // receiver no longer gets packets.
    void Stop() override;
    void OnReceivePacket(uint64_t packetNumber, unsigned char* packet) override;
    // Registration means the receiver is complete: the decode thread starts here.
    void SetPID(unsigned short pid) override;
    // The PES packet in progress is dropped, and the next buffer is marked a splice.
    void OnStreamStartedAgain() override;

protected:
    // The derived decoder's main loop, on the decode thread.
    virtual void DecodeStream() { }
    // Starts a new write buffer stamped with the time stamps and the programme
    // clock, and marked where the clock broke or the stream began again.
    virtual void OnTimestamps(unsigned long flags, int64_t pts, int64_t dts);
    // Appends elementary data to the write buffers; returns the bytes accepted.
    virtual unsigned long WriteCompressedData(unsigned char* data, unsigned long size);
    // Pulls up to size bytes of elementary data; 0 means stopped, or nothing for a second.
    virtual unsigned long ReadCompressedData(unsigned char* destination, unsigned long size);

    void DecodeThreadProc();
    bool IsDecodeThreadRunning() const { return m_decodeThread.IsRunning(); }

    // Read side (decode thread).
    bool GetNextReadBuffer();
    void ReleaseReadBuffer();
    // Write side (receive thread).
    bool GetNextWriteBuffer();
    void SubmitWriteBuffer();

    // Manual reset; set by Stop to tell the decode thread to end.
    CEvent m_stopEvent { true, false };
    CDVBBufferList m_filledList;
    CDVBBuffer* m_readBuffer = nullptr;
    CDVBBuffer* m_writeBuffer = nullptr;

private:
    static constexpr uint32_t kStopTimeoutMs = 1000;
    static constexpr uint32_t kReadTimeoutMs = 1000;

    CDVBBufferList m_freeList;
    bool m_pesStarted = false;
    // Receive thread: breaks in the clock, and a splice not yet marked.
    CDVBClockBreakWatch m_clockBreaks;
    bool m_splicePending = false;
    CThread m_decodeThread { "decode thread" };
};
