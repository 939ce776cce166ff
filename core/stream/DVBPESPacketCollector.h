#pragma once
// Reassembles one PES packet from the payloads of consecutive transport
// packets of one PID. A packet with payload_unit_start_indicator starts it
// afresh; whatever exceeds the largest PES packet is cut off.
#include <cstdint>
#include <vector>

constexpr unsigned long DVB_PES_COLLECTOR_SIZE = 0x10006; // 65,535 + the 6-byte fixed header

class CDVBPESPacketCollector
{
public:
    CDVBPESPacketCollector();
    virtual ~CDVBPESPacketCollector() = default;

    void AddPacket(unsigned char* packet);
    void Reset();
    // True once PES_packet_length + 6 bytes are in (as soon as 6 are in when the length is 0).
    bool IsComplete() const;
    // The elementary bytes after the PES header, up to what has been collected.
    bool GetInternalData(unsigned char*& data, unsigned long& size);
    unsigned char* GetData() { return m_buffer.data(); }
    unsigned long GetCurrentSize() const { return m_currentSize; }

private:
    // Held by value so that copies of a collector own their own buffer.
    std::vector<unsigned char> m_buffer;
    unsigned long m_currentSize = 0;
    unsigned long m_spaceLeft = DVB_PES_COLLECTOR_SIZE;
};
