#pragma once
// What the video decoders' tests share: elementary stream units as stamped
// PES on one PID, a display that keeps every picture it is given, and
// ffmpeg's decode of a sample as the oracle for the pictures.
#include "VideoReceiverHarness.h"

#include "AccessUnit.h"
#include "platform/CriticalSection.h"
#include "platform/Event.h"
#include "plugin/DVBDisplay.h"
#include "support/TsReader.h"
#include "tswriter/PesWriter.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace video_test {

constexpr uint16_t kVideoPid = 0x200;
constexpr int64_t kTimeMask = (int64_t(1) << 33) - 1;

inline std::string SamplePath(const std::string& name)
{
    return std::string(KRX_VIDEO_SAMPLES) + "/" + name;
}

inline ts::Bytes ReadSample(const std::string& name)
{
    std::ifstream file(SamplePath(name), std::ios::binary);
    if (!file)
        throw std::runtime_error("missing video sample " + name);
    return ts::Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// The PES packets of one PID of a transport stream as units in stream order,
// with times counted from the earliest PTS.
inline std::vector<AccessUnit> PesUnits(const ts::Bytes& stream, uint16_t pid)
{
    ts::TsReader reader;
    reader.AddPesPid(pid);
    reader.Read(stream);
    reader.Finish();
    std::vector<AccessUnit> units;
    int64_t first = INT64_MAX;
    for (const ts::ReadPes& read : reader.PesPackets(pid)) {
        units.push_back(AccessUnit { read.pes.data, read.pes.pts.value_or(0), read.pes.dts });
        first = std::min(first, units.back().pts);
    }
    for (AccessUnit& unit : units) {
        unit.pts -= first;
        if (unit.dts)
            *unit.dts -= first;
    }
    return units;
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

    void SetColourSpace(const SDVBColourSpace& space) override
    {
        CSingleLock lock(&m_lock, true);
        colourSpaces.push_back(space);
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
    std::vector<SDVBColourSpace> colourSpaces;

private:
    CCriticalSection m_lock;
    std::vector<Frame> m_frames;
};

// ffmpeg's pictures of a sample file, in display order, as packed 4:2:0
// planes; through the filter when one is given.
inline std::vector<ts::Bytes> FfmpegPictures(
    const std::string& path, int width, int height, const std::string& filter = "")
{
    const std::string filtering = filter.empty() ? "" : " -vf " + filter;
    const std::string command = "ffmpeg -nostdin -v error -i '" + path + "'" + filtering
        + " -fps_mode passthrough -f rawvideo -pix_fmt yuv420p -";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    std::vector<ts::Bytes> pictures;
    if (!pipe)
        return pictures;
    const size_t size = size_t(width) * height * 3 / 2;
    for (;;) {
        ts::Bytes picture(size);
        if (fread(picture.data(), 1, size, pipe.get()) != size)
            break;
        pictures.push_back(std::move(picture));
    }
    return pictures;
}

inline double Psnr(const ts::Bytes& a, const ts::Bytes& b)
{
    double squares = 0;
    for (size_t i = 0; i < a.size(); i++) {
        const double difference = double(a[i]) - double(b[i]);
        squares += difference * difference;
    }
    if (squares == 0)
        return INFINITY;
    return 10 * std::log10(255.0 * 255.0 / (squares / double(a.size())));
}

} // namespace video_test
