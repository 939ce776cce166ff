#pragma once
// A video receiver that decodes on the caller's thread and a display that
// copies every picture as the real one does, for the video decoders' tests,
// benchmarks and fuzz targets.
#include "DVBVideoReceiver.h"

#include "plugin/DVBDisplay.h"
#include "tswriter/PesWriter.h"
#include "tswriter/TsTypes.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

namespace video_test {

// A video receiver whose decode thread is never started: Feed decodes each
// buffer as soon as it is filled, so the pool never overflows and nothing
// depends on timing.
template <class Decoder> class CInlineReceiver : public CDVBVideoReceiver
{
public:
    template <class... Arguments>
    explicit CInlineReceiver(Arguments&&... arguments)
        : CDVBVideoReceiver(nullptr, std::make_unique<Decoder>(std::forward<Arguments>(arguments)...))
    {
    }

    void Feed(const ts::Bytes& packets)
    {
        for (size_t offset = 0; offset + ts::PACKET_SIZE <= packets.size(); offset += ts::PACKET_SIZE) {
            OnReceivePacket(m_packetNumber++, const_cast<uint8_t*>(packets.data()) + offset);
            while (DecodeNextBuffer()) { }
        }
    }

private:
    uint64_t m_packetNumber = 0;
};

// Copies every picture into the next of 20 frames, as the display's queue does.
class CCopyingDisplay : public CDVBDisplay
{
public:
    void OnFrame(
        int width, int height, const unsigned char* Y, const unsigned char* U, const unsigned char* V, int64_t) override
    {
        const size_t luma = size_t(width) * height;
        ts::Bytes& frame = m_pool[m_next++ % m_pool.size()];
        frame.resize(luma * 3 / 2);
        std::memcpy(frame.data(), Y, luma);
        std::memcpy(frame.data() + luma, U, luma / 4);
        std::memcpy(frame.data() + luma + luma / 4, V, luma / 4);
        pictures++;
    }

    int64_t pictures = 0;

private:
    std::vector<ts::Bytes> m_pool { 20 };
    size_t m_next = 0;
};

// For the fuzz targets: overwrites bytes of the stream as the input says,
// each patch 3 bytes of offset and 1 of value.
inline void PatchBytes(ts::Bytes& stream, const uint8_t* patches, size_t size)
{
    for (size_t i = 0; i + 4 <= size; i += 4)
        stream[(size_t(patches[i]) << 16 | size_t(patches[i + 1]) << 8 | patches[i + 2]) % stream.size()]
            = patches[i + 3];
}

// For the fuzz targets: the stream and then `end` (which makes the decoder
// give up what it holds) in PES packets of 2000 bytes on one PID, every other
// one stamped, odd values included; then `end` once more in a stamped PES,
// which hands the buffer before it to the decoder.
inline ts::Bytes FuzzPesPackets(ts::Bytes stream, const ts::Bytes& end)
{
    constexpr uint16_t kPid = 0x200;
    constexpr size_t kPesPayload = 2000;
    stream.insert(stream.end(), end.begin(), end.end());
    ts::TsPacketWriter out;
    ts::PesWriter pes(out, kPid);
    for (size_t offset = 0, index = 0; offset < stream.size(); offset += kPesPayload, index++) {
        const size_t last = std::min(stream.size(), offset + kPesPayload);
        ts::PesPacket packet(
            0xE0, std::nullopt, std::nullopt, ts::Bytes(stream.begin() + long(offset), stream.begin() + long(last)));
        if (index % 2 == 0)
            packet.pts = int64_t(index) * 1801;
        packet.unboundedLength = true;
        pes.Write(packet);
    }
    pes.Write(ts::PesPacket(0xE0, 0, std::nullopt, end));
    return out.TakeData();
}

} // namespace video_test
