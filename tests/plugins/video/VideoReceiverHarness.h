#pragma once
// A video receiver that decodes on the caller's thread and a display that
// copies every picture as the real one does, for the video decoders' tests,
// benchmarks and fuzz targets.
#include "DVBVideoReceiver.h"

#include "plugin/DVBDisplay.h"
#include "tswriter/TsTypes.h"

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

} // namespace video_test
