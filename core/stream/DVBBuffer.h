#pragma once
// One block of elementary-stream (or recorded transport-stream) bytes with the
// time stamps of the PES header that started it. Buffers circulate between a
// free list and a filled list; they are allocated once and never grow.
#include <cstdint>

// Bits of a buffer's time-stamp flags. A buffer that begins a new timeline
// (the programme clock jumped) or follows a splice (the stream began again)
// says so: the decoder must not build on what came before it.
enum : unsigned long {
    DVB_BUFFER_PTS_VALID = 1,
    DVB_BUFFER_DTS_VALID = 2,
    DVB_BUFFER_CLOCK_VALID = 4,
    DVB_BUFFER_DISCONTINUITY = 8,
    DVB_BUFFER_SPLICE = 16,
};

class CDVBBuffer
{
public:
    explicit CDVBBuffer(unsigned long capacity);
    virtual ~CDVBBuffer();
    // Two owners of one block would free it twice, so a buffer is never copied.
    CDVBBuffer(const CDVBBuffer&) = delete;
    CDVBBuffer& operator=(const CDVBBuffer&) = delete;

    // Makes the buffer empty and unstamped, ready to be filled from the start.
    void ResetForWriting();
    // Copies as many bytes as still fit at the write position; returns that count.
    unsigned long Append(const unsigned char* bytes, unsigned long size);
    // Bytes between the position and the end of the block.
    unsigned long GetSpaceLeft() const { return m_capacity - static_cast<unsigned long>(m_position - m_data); }
    bool IsFull() const { return GetSpaceLeft() == 0; }

    // Puts the read position back at the start of the valid data.
    void RewindForReading() { m_position = m_data; }
    // Copies up to size unread bytes out and consumes them; returns that count.
    unsigned long Consume(unsigned char* destination, unsigned long size);

    unsigned char* GetData() const { return m_data; }
    unsigned char* GetPosition() const { return m_position; }
    unsigned long GetCapacity() const { return m_capacity; }
    // Valid bytes not yet consumed; a decoder that works on GetData() directly
    // sets this to 0 when it is done with the buffer.
    unsigned long GetUsed() const { return m_used; }
    void SetUsed(unsigned long used);

    unsigned long GetFlags() const { return m_flags; }
    int64_t GetPTS() const { return m_pts; }
    int64_t GetDTS() const { return m_dts; }
    int64_t GetProgramClock() const { return m_programClock; }
    // Stamps the buffer; flags are DVB_BUFFER_PTS_VALID and DVB_BUFFER_DTS_VALID.
    void SetTimeStamps(unsigned long flags, int64_t pts, int64_t dts);
    // Records the programme clock at arrival and marks it valid.
    void SetProgramClock(int64_t clock);
    // Adds DVB_BUFFER_DISCONTINUITY or DVB_BUFFER_SPLICE to the stamp.
    void MarkBreak(unsigned long flags) { m_flags |= flags; }

private:
    unsigned char* m_data;
    unsigned char* m_position;
    unsigned long m_capacity;
    unsigned long m_used = 0;
    unsigned long m_flags = 0;
    int64_t m_pts = 0;
    int64_t m_dts = 0;
    int64_t m_programClock = 0;
};
