#pragma once
// H.264 and HEVC streams as access units and as transport packets, for the
// decoder's tests, benchmark and fuzz target.
#include "DVBAVVideoDecoder.h"
#include "VideoRecording.h"

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
    return PesUnits(ReadSample(name), kSamplePid);
}

// Whether the unit begins a GOP: in H.264 it brings a sequence parameter set
// (before an IDR or a recovery point), in HEVC it is a random access point.
inline bool IsKeyUnit(DVBVideoCodec codec, const AccessUnit& unit)
{
    const ts::Bytes& data = unit.data;
    for (size_t i = 0; i + 3 < data.size(); i++) {
        if (data[i] != 0 || data[i + 1] != 0 || data[i + 2] != 1)
            continue;
        const int type = codec == DVBVideoCodec::HEVC ? data[i + 3] >> 1 & 0x3F : data[i + 3] & 0x1F;
        if (codec == DVBVideoCodec::HEVC ? type >= 16 && type <= 21 : type == 7)
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

// An end of sequence NAL unit.
inline ts::Bytes EndOfSequence(DVBVideoCodec codec)
{
    return codec == DVBVideoCodec::HEVC ? ts::Bytes { 0, 0, 1, 0x48, 0x01 } : ts::Bytes { 0, 0, 1, 0x0A };
}

// The end of a stream: an end of sequence, which makes the decoder give up
// every picture it holds, then a stamped PES that hands the buffer holding it
// to the decoder as any following data would.
inline ts::Bytes EndOfStreamPackets(DVBVideoCodec codec)
{
    const ts::Bytes end = EndOfSequence(codec);
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

} // namespace av_video_test
