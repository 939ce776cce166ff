#pragma once
// Packet builders, a scripted source and a logging receiver for the stream tests.
#include "platform/CriticalSection.h"
#include "platform/Event.h"
#include "stream/DVBPIDReceiver.h"
#include "stream/DVBTransportStreamReceiver.h"
#include "stream/DVBTransportStreamSource.h"

#include <array>
#include <atomic>
#include <cstring>
#include <deque>
#include <vector>

using Packet = std::array<unsigned char, DVB_PACKET_SIZE>;
using Bytes = std::vector<unsigned char>;

// How long a test waits for what should come at once: only reached when
// something is broken.
constexpr uint32_t kGenerous = 10000;

// A payload-only packet filled with one value.
inline Packet MakePacket(unsigned short pid, bool unitStart = false, unsigned char fill = 0xFF)
{
    Packet packet;
    packet.fill(fill);
    packet[0] = 0x47;
    packet[1] = static_cast<unsigned char>((unitStart ? 0x40 : 0) | ((pid >> 8) & 0x1F));
    packet[2] = static_cast<unsigned char>(pid & 0xFF);
    packet[3] = 0x10;
    return packet;
}

// Adds an adaptation field of the given length (bit 0x20) in front of the payload.
inline Packet MakeAdaptationPacket(unsigned short pid, unsigned char length, bool withPayload)
{
    Packet packet = MakePacket(pid);
    packet[3] = withPayload ? 0x30 : 0x20;
    packet[4] = length;
    return packet;
}

inline Packet MakePCRPacket(unsigned short pid, uint64_t pcrBase)
{
    Packet packet = MakeAdaptationPacket(pid, 7, false);
    packet[5] = 0x10;
    packet[6] = static_cast<unsigned char>(pcrBase >> 25);
    packet[7] = static_cast<unsigned char>(pcrBase >> 17);
    packet[8] = static_cast<unsigned char>(pcrBase >> 9);
    packet[9] = static_cast<unsigned char>(pcrBase >> 1);
    packet[10] = static_cast<unsigned char>(((pcrBase & 1) << 7) | 0x7E);
    packet[11] = 0;
    return packet;
}

// The five bytes of a PTS or DTS field with its 4-bit prefix and marker bits.
inline void WriteTimeStamp(unsigned char* b, unsigned char prefix, uint64_t value)
{
    b[0] = static_cast<unsigned char>((prefix << 4) | (((value >> 30) & 7) << 1) | 1);
    b[1] = static_cast<unsigned char>(value >> 22);
    b[2] = static_cast<unsigned char>(((value >> 15) & 0x7F) << 1 | 1);
    b[3] = static_cast<unsigned char>(value >> 7);
    b[4] = static_cast<unsigned char>((value & 0x7F) << 1 | 1);
}

// A PES header (start code, stream id, length, flags) with optional PTS/DTS,
// padded to headerLength bytes of optional header, followed by the data.
inline Bytes MakePES(unsigned ptsDtsFlags, unsigned char headerLength, uint64_t pts, uint64_t dts, const Bytes& data,
    unsigned short packetLength = 0xFFFF)
{
    Bytes pes = { 0x00, 0x00, 0x01, 0xE0, 0, 0, 0x80, static_cast<unsigned char>(ptsDtsFlags << 6), headerLength };
    Bytes header(headerLength, 0xFF);
    if ((ptsDtsFlags & 2) && headerLength >= 5)
        WriteTimeStamp(header.data(), ptsDtsFlags == 3 ? 3 : 2, pts);
    if (ptsDtsFlags == 3 && headerLength >= 10)
        WriteTimeStamp(header.data() + 5, 1, dts);
    else if (ptsDtsFlags == 1 && headerLength >= 5)
        WriteTimeStamp(header.data(), 1, dts);
    pes.insert(pes.end(), header.begin(), header.end());
    pes.insert(pes.end(), data.begin(), data.end());
    const size_t length = packetLength == 0xFFFF ? pes.size() - 6 : packetLength;
    pes[4] = static_cast<unsigned char>(length >> 8);
    pes[5] = static_cast<unsigned char>(length);
    return pes;
}

// Cuts a PES packet into payload-only transport packets; the last is padded with 0xFF.
inline std::vector<Packet> Packetise(unsigned short pid, const Bytes& pes)
{
    std::vector<Packet> packets;
    for (size_t offset = 0; offset < pes.size(); offset += 184) {
        Packet packet = MakePacket(pid, offset == 0);
        const size_t chunk = std::min<size_t>(184, pes.size() - offset);
        std::memcpy(packet.data() + 4, pes.data() + offset, chunk);
        packets.push_back(packet);
    }
    return packets;
}

inline Bytes Concatenate(const std::vector<Packet>& packets)
{
    Bytes bytes;
    for (const Packet& packet : packets)
        bytes.insert(bytes.end(), packet.begin(), packet.end());
    return bytes;
}

// Remembers every packet it is given (number and a copy) and every tick.
class CLoggingReceiver : public CDVBPIDReceiver
{
public:
    explicit CLoggingReceiver(
        int type = DVB_RECEIVER_BASE, bool timeNotifications = false, std::vector<CLoggingReceiver*>* order = nullptr)
        : m_timeNotifications(timeNotifications)
        , m_order(order)
    {
        m_type = type;
    }
    void OnReceivePacket(uint64_t packetNumber, unsigned char* packet) override
    {
        CSingleLock lock(&m_lock, true);
        numbers.push_back(packetNumber);
        packets.push_back(Bytes(packet, packet + DVB_PACKET_SIZE));
        if (m_order)
            m_order->push_back(this);
        packetEvent.Set();
    }
    void OnEverySecond() override { seconds++; }
    void OnEveryMillisecond() override
    {
        milliseconds++;
        tickEvent.Set();
    }
    bool RequiresTimeNotifications() override { return m_timeNotifications; }
    uint32_t GetMillisecondsUntilNotification() override { return notificationWait; }
    ~CLoggingReceiver() override
    {
        if (deleted)
            *deleted = true;
    }

    // Copies under the lock: the receive thread may still be adding.
    std::vector<uint64_t> Numbers()
    {
        CSingleLock lock(&m_lock, true);
        return numbers;
    }
    size_t PacketCount() { return Numbers().size(); }

    std::vector<uint64_t> numbers;
    std::vector<Bytes> packets;
    std::atomic<int> seconds { 0 };
    std::atomic<int> milliseconds { 0 };
    std::atomic<uint32_t> notificationWait { 1 };
    bool* deleted = nullptr;
    CEvent packetEvent { true, false };
    CEvent tickEvent { false, false };

private:
    CCriticalSection m_lock;
    bool m_timeNotifications;
    std::vector<CLoggingReceiver*>* m_order;
};

// A source that hands out queued reads, one per ReadBuffer, and signals each call.
class CScriptedSource : public CDVBTransportStreamSource
{
public:
    bool Initialise() override
    {
        initialised++;
        return true;
    }
    bool DeInitialise() override
    {
        deInitialised++;
        return true;
    }
    bool Start() override
    {
        started++;
        startEvent.Set();
        return true;
    }
    bool Stop() override
    {
        stopped++;
        stopEvent.Set();
        return true;
    }
    unsigned long ReadBuffer(unsigned char* buffer, unsigned long size) override
    {
        CSingleLock lock(&m_lock, true);
        if (m_reads.empty() && !m_continuous.empty()) {
            std::memcpy(buffer, m_continuous.data(), std::min<size_t>(m_continuous.size(), size));
            readsDelivered++;
            readEvent.Set();
            return std::min<unsigned long>(m_continuous.size(), size);
        }
        if (m_reads.empty()) {
            drainedEvent.Set();
            return 0;
        }
        Bytes read = std::move(m_reads.front());
        m_reads.pop_front();
        const unsigned long count = std::min<unsigned long>(read.size(), size);
        std::memcpy(buffer, read.data(), count);
        readsDelivered++;
        readEvent.Set();
        return count;
    }
    unsigned long GetSuggestedBufferSize() override { return bufferSize; }
    uint32_t GetMillisecondsUntilDue() override { return due; }
    void NotifyBitrate(int bitsPerSecond) override
    {
        CSingleLock lock(&m_lock, true);
        m_bitrates.push_back(bitsPerSecond);
    }
    void OnEverySecond() override
    {
        seconds++;
        secondEvent.Set();
    }

    // Queues a read; the drained event is cleared until it has been delivered.
    void QueueRead(Bytes read)
    {
        CSingleLock lock(&m_lock, true);
        drainedEvent.Reset();
        m_reads.push_back(std::move(read));
    }
    // Delivers this read whenever nothing is queued; an empty one stops that.
    void SetContinuous(Bytes read)
    {
        CSingleLock lock(&m_lock, true);
        m_continuous = std::move(read);
    }
    std::vector<int> Bitrates()
    {
        CSingleLock lock(&m_lock, true);
        return m_bitrates;
    }

    unsigned long bufferSize = DVB_DEFAULT_READ_BUFFER_SIZE;
    std::atomic<uint32_t> due { 1 };
    std::atomic<int> initialised { 0 }, deInitialised { 0 }, started { 0 }, stopped { 0 }, seconds { 0 },
        readsDelivered { 0 };
    CEvent startEvent { false, false };
    CEvent stopEvent { false, false };
    CEvent secondEvent { false, false };
    CEvent readEvent { false, false };
    // Set whenever a read finds the queue empty.
    CEvent drainedEvent { true, false };

private:
    CCriticalSection m_lock;
    std::deque<Bytes> m_reads;
    Bytes m_continuous;
    std::vector<int> m_bitrates;
};

// Opens the receive thread's internals to tests.
class CTestableReceiver : public CDVBTransportStreamReceiver
{
public:
    using CDVBTransportStreamReceiver::CalculateBitrate;
    using CDVBTransportStreamReceiver::CDVBTransportStreamReceiver;
    using CDVBTransportStreamReceiver::GetMillisecondsUntilDue;
    using CDVBTransportStreamReceiver::OnEveryMillisecond;
    using CDVBTransportStreamReceiver::OnEverySecond;
    using CDVBTransportStreamReceiver::ProcessBuffer;
};
