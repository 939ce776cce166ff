#pragma once
// MPEG video samples as transport packets.
#include "DVBVideoDecoderState.h"
#include "MpegVideoStream.h"
#include "VideoRecording.h"

#include <string>
#include <vector>

namespace video_test {

using CInlineVideoReceiver = CInlineReceiver<CDVBVideoDecoderState>;

// The sample's coded pictures, in coding order, timed as a multiplexer times them.
inline std::vector<AccessUnit> SamplePictures(const std::string& name)
{
    return MpegVideoStream(ReadSample(name), name).Units();
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

} // namespace video_test
