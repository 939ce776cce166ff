#pragma once
// Finds the 188-byte packets in reads that may not start or end on a packet
// boundary. A read normally holds whole packets one after another, so each
// packet costs one look at its sync byte. When a sync byte is missing (a byte
// lost or added by a card's overflow or a damaged capture), the aligner skips
// ahead to the next place where three sync bytes follow each other at packet
// spacing, across reads if need be, and counts the loss and the bytes skipped.
// A packet split over two reads is put together and handed on whole.
//
// Threads: Feed and Restart belong to one thread; the counts may be read and
// reset from any other.
#include "stream/DVBPIDReceiver.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

constexpr unsigned char DVB_SYNC_BYTE = 0x47;

class CDVBPacketAligner
{
public:
    // Forgets any partial packet and takes the next read as starting on a packet.
    void Restart();
    // Calls handle(unsigned char* packet) for every whole packet, in order.
    template <typename Handle> void Feed(unsigned char* data, size_t size, Handle&& handle);

    uint64_t GetSyncLosses() const { return m_syncLosses.load(std::memory_order_relaxed); }
    uint64_t GetBytesSkipped() const { return m_bytesSkipped.load(std::memory_order_relaxed); }
    void ResetCounts();

private:
    // Sync is taken up again where this many sync bytes follow at packet spacing.
    static constexpr size_t kConfirmingPackets = 3;
    static constexpr size_t kConfirmSpan = (kConfirmingPackets - 1) * DVB_PACKET_SIZE;
    // What a read can leave over: a partial packet, or bytes not yet known to be skippable.
    static constexpr size_t kCarryCapacity = kConfirmSpan;
    // Enough of the next read to get past the leftover in any case.
    static constexpr size_t kJoinTake = kConfirmSpan + DVB_PACKET_SIZE;

    // Hands out the packets in place; returns where it stopped for lack of bytes.
    template <typename Handle> size_t Scan(unsigned char* data, size_t size, Handle& handle);
    // Searches from position for the next confirmed packet start; when found the
    // aligner is in sync there, otherwise the result is the first undecided position.
    size_t FindSync(const unsigned char* data, size_t size, size_t position);
    void LoseSync();
    void Keep(const unsigned char* data, size_t size);
    static void Increment(std::atomic<uint64_t>& count, uint64_t by)
    {
        count.store(count.load(std::memory_order_relaxed) + by, std::memory_order_relaxed);
    }

    bool m_synced = true;
    std::array<unsigned char, kCarryCapacity> m_carry {};
    size_t m_carrySize = 0;
    std::array<unsigned char, kCarryCapacity + kJoinTake> m_join {};
    std::atomic<uint64_t> m_syncLosses { 0 };
    std::atomic<uint64_t> m_bytesSkipped { 0 };
};

template <typename Handle> void CDVBPacketAligner::Feed(unsigned char* data, size_t size, Handle&& handle)
{
    if (m_carrySize == 0) {
        const size_t stopped = Scan(data, size, handle);
        Keep(data + stopped, size - stopped);
        return;
    }
    // The leftover and the start of this read are scanned as one; the rest of
    // the read is then scanned in place.
    const size_t take = size < kJoinTake ? size : kJoinTake;
    std::copy_n(m_carry.data(), m_carrySize, m_join.data());
    std::copy_n(data, take, m_join.data() + m_carrySize);
    const size_t joined = m_carrySize + take;
    const size_t stopped = Scan(m_join.data(), joined, handle);
    if (take == size) {
        Keep(m_join.data() + stopped, joined - stopped);
        return;
    }
    // With a whole join taken, the scan always gets past the leftover.
    const size_t resume = stopped - m_carrySize;
    m_carrySize = 0;
    const size_t rest = Scan(data + resume, size - resume, handle);
    Keep(data + resume + rest, size - resume - rest);
}

template <typename Handle> size_t CDVBPacketAligner::Scan(unsigned char* data, size_t size, Handle& handle)
{
    size_t position = 0;
    for (;;) {
        if (!m_synced) {
            position = FindSync(data, size, position);
            if (!m_synced)
                return position;
        }
        if (position >= size)
            return position;
        if (data[position] != DVB_SYNC_BYTE) {
            LoseSync();
            continue;
        }
        if (size - position < DVB_PACKET_SIZE)
            return position;
        handle(data + position);
        position += DVB_PACKET_SIZE;
    }
}
