#pragma once
// The H.264 and HEVC samples as access units and as transport packets, and
// their pictures as ffmpeg decodes them.
#include "DVBAVVideoDecoder.h"
#include "VideoRecording.h"

#include "support/TsReader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace av_video_test {

using namespace video_test;
using CInlineAVReceiver = CInlineReceiver<CDVBAVVideoDecoder>;

constexpr uint16_t kSamplePid = 0x100; // where ffmpeg puts the picture
constexpr int64_t kFramePeriod = 3600; // every sample runs at 25 frames/s

// The sample's access units in coding order, one per PES as ffmpeg muxed
// them, with times counted from the first picture's.
inline std::vector<AccessUnit> SampleUnits(const std::string& name)
{
    ts::TsReader reader;
    reader.AddPesPid(kSamplePid);
    reader.Read(ReadSample(name));
    reader.Finish();
    std::vector<AccessUnit> units;
    for (const ts::ReadPes& read : reader.PesPackets(kSamplePid))
        units.push_back(AccessUnit { read.pes.data, read.pes.pts.value_or(0), read.pes.dts });
    int64_t first = INT64_MAX;
    for (const AccessUnit& unit : units)
        first = std::min(first, unit.pts);
    for (AccessUnit& unit : units) {
        unit.pts -= first;
        if (unit.dts)
            *unit.dts -= first;
    }
    return units;
}

// Whether the unit holds an IDR picture (H.264) or a random access point (HEVC).
inline bool IsKeyUnit(DVBVideoCodec codec, const AccessUnit& unit)
{
    const ts::Bytes& data = unit.data;
    for (size_t i = 0; i + 3 < data.size(); i++) {
        if (data[i] != 0 || data[i + 1] != 0 || data[i + 2] != 1)
            continue;
        const int type = codec == DVBVideoCodec::HEVC ? data[i + 3] >> 1 & 0x3F : data[i + 3] & 0x1F;
        if (codec == DVBVideoCodec::HEVC ? type >= 16 && type <= 21 : type == 5)
            return true;
    }
    return false;
}

// Coding-order indexes of the key units.
inline std::vector<size_t> KeyUnits(DVBVideoCodec codec, const std::vector<AccessUnit>& units)
{
    std::vector<size_t> keys;
    for (size_t i = 0; i < units.size(); i++)
        if (IsKeyUnit(codec, units[i]))
            keys.push_back(i);
    return keys;
}

// The end of a stream: an end of sequence NAL unit, which makes the decoder
// give up every picture it holds, then a stamped PES that hands the buffer
// holding it to the decoder as any following data would.
inline ts::Bytes EndOfStreamPackets(DVBVideoCodec codec)
{
    const ts::Bytes end
        = codec == DVBVideoCodec::HEVC ? ts::Bytes { 0, 0, 1, 0x48, 0x01 } : ts::Bytes { 0, 0, 1, 0x0A };
    ts::TsPacketWriter out;
    ts::PesWriter pes(out, kVideoPid);
    pes.Write(ts::PesPacket(0xE0, 0, std::nullopt, end));
    pes.Write(ts::PesPacket(0xE0, 0, std::nullopt, end));
    return out.TakeData();
}

inline ts::Bytes Ended(DVBVideoCodec codec, ts::Bytes packets)
{
    const ts::Bytes end = EndOfStreamPackets(codec);
    packets.insert(packets.end(), end.begin(), end.end());
    return packets;
}

// Checks that the display got, in order and each once, exactly the pictures
// shown from `from` on (times relative to ptsBase), each matching ffmpeg's;
// pictures it got before are not looked at.
inline void ExpectPicturesFrom(const std::vector<CRecordingDisplay::Frame>& frames,
    const std::vector<ts::Bytes>& expected, int64_t ptsBase, int64_t from)
{
    const auto begin = std::find_if(frames.begin(), frames.end(),
        [&](const CRecordingDisplay::Frame& frame) { return frame.time >= ptsBase + from; });
    const size_t first = size_t(from / kFramePeriod);
    ASSERT_EQ(size_t(frames.end() - begin), expected.size() - first);
    for (size_t i = 0; i < expected.size() - first; i++) {
        const CRecordingDisplay::Frame& frame = begin[long(i)];
        SCOPED_TRACE("picture " + std::to_string(first + i));
        EXPECT_EQ(frame.time, ptsBase + int64_t(first + i) * kFramePeriod);
        ASSERT_EQ(frame.planes.size(), expected[first + i].size());
        EXPECT_GE(Psnr(frame.planes, expected[first + i]), 35.0);
    }
}

} // namespace av_video_test
