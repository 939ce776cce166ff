#pragma once
// The fixed RTP header, its contributing sources, extension and padding: what
// is needed to find the payload of a datagram and its place in the sequence.
#include <cstddef>
#include <cstdint>

constexpr uint8_t KRX_RTP_PAYLOAD_MP2T = 33;

struct KRXNetRTPHeader {
    uint8_t payloadType = 0;
    uint16_t sequence = 0;
    uint32_t timestamp = 0;
    uint32_t ssrc = 0;
    size_t payloadOffset = 0;
    size_t payloadSize = 0;
};

// False for a datagram that is no version-2 RTP packet or whose lengths do
// not fit in it.
bool ParseRTPHeader(const uint8_t* data, size_t size, KRXNetRTPHeader& header);
