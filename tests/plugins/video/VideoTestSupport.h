#pragma once
// Video samples as transport packets and a display that keeps what it is given.
#include "DVBVideoDecoderState.h"
#include "MpegVideoStream.h"
#include "VideoReceiverHarness.h"

#include "platform/CriticalSection.h"
#include "platform/Event.h"
#include "plugin/DVBDisplay.h"
#include "tswriter/PesWriter.h"

#include <atomic>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

namespace video_test {

using CInlineVideoReceiver = CInlineReceiver<CDVBVideoDecoderState>;

constexpr uint16_t kVideoPid = 0x200;
constexpr int64_t kTimeMask = (int64_t(1) << 33) - 1;

inline ts::Bytes ReadSample(const std::string& name)
{
    std::ifstream file(std::string(KRX_VIDEO_SAMPLES) + "/" + name, std::ios::binary);
    if (!file)
        throw std::runtime_error("missing video sample " + name);
    return ts::Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// The sample's coded pictures, in coding order, timed as a multiplexer times them.
inline std::vector<AccessUnit> SamplePictures(const std::string& name)
{
    return MpegVideoStream(ReadSample(name), name).Units();
}

// One PES per picture on kVideoPid, stamped with ptsBase plus the picture's
// time (33 bits, so it may wrap); the first unstamped pictures carry no stamps.
inline ts::Bytes VideoPackets(const std::vector<AccessUnit>& pictures, int64_t ptsBase, size_t unstamped = 0)
{
    ts::TsPacketWriter out;
    ts::PesWriter pes(out, kVideoPid);
    for (size_t i = 0; i < pictures.size(); i++) {
        ts::PesPacket packet(0xE0, std::nullopt, std::nullopt, pictures[i].data);
        if (i >= unstamped) {
            packet.pts = (ptsBase + pictures[i].pts) & kTimeMask;
            if (pictures[i].dts)
                packet.dts = (ptsBase + *pictures[i].dts) & kTimeMask;
        }
        packet.unboundedLength = true;
        pes.Write(packet);
    }
    return out.TakeData();
}

// The end of a stream: a sequence end code, which makes the decoder give up the
// picture it holds back, then a stamped PES that hands the buffer holding it
// to the decoder as any following data would.
inline ts::Bytes EndOfStreamPackets()
{
    ts::TsPacketWriter out;
    ts::PesWriter pes(out, kVideoPid);
    pes.Write(ts::PesPacket(0xE0, 0, std::nullopt, { 0x00, 0x00, 0x01, 0xB7 }));
    pes.Write(ts::PesPacket(0xE0, 0, std::nullopt, { 0x00, 0x00, 0x01, 0xB7 }));
    return out.TakeData();
}

// The packets of a whole sample, ended so that every picture comes out.
inline ts::Bytes SamplePackets(const std::string& name, int64_t ptsBase)
{
    ts::Bytes packets = VideoPackets(SamplePictures(name), ptsBase);
    const ts::Bytes end = EndOfStreamPackets();
    packets.insert(packets.end(), end.begin(), end.end());
    return packets;
}

// Keeps a copy of every picture; the event is set once `expected` have come.
class CRecordingDisplay : public CDVBDisplay
{
public:
    struct Frame {
        int width = 0;
        int height = 0;
        int64_t time = 0;
        ts::Bytes planes; // Y, then U, then V, packed
    };

    void OnFrame(int width, int height, const unsigned char* Y, const unsigned char* U, const unsigned char* V,
        int64_t time) override
    {
        Frame frame { width, height, time, {} };
        const size_t luma = size_t(width) * height;
        const size_t chroma = luma / 4;
        frame.planes.reserve(luma + 2 * chroma);
        frame.planes.insert(frame.planes.end(), Y, Y + luma);
        frame.planes.insert(frame.planes.end(), U, U + chroma);
        frame.planes.insert(frame.planes.end(), V, V + chroma);
        CSingleLock lock(&m_lock, true);
        m_frames.push_back(std::move(frame));
        if (m_frames.size() >= expected)
            framesArrived.Set();
    }
    void OnEveryMillisecond() override { ticks++; }
    void SetDisplayAspectRatio(int numerator, int denominator) override
    {
        CSingleLock lock(&m_lock, true);
        aspectRatios.push_back({ numerator, denominator });
    }

    std::vector<Frame> Frames()
    {
        CSingleLock lock(&m_lock, true);
        return m_frames;
    }
    std::vector<int64_t> Times()
    {
        std::vector<int64_t> times;
        for (const Frame& frame : Frames())
            times.push_back(frame.time);
        return times;
    }

    size_t expected = SIZE_MAX;
    CEvent framesArrived { true, false };
    std::atomic<int> ticks { 0 };
    std::vector<std::pair<int, int>> aspectRatios;

private:
    CCriticalSection m_lock;
    std::vector<Frame> m_frames;
};

} // namespace video_test
