#include "MpegAudioStream.h"
#include "MuxError.h"

bool MpegAudioStream::ReadHeader(const uint8_t* b, Header& header)
{
    // 12 sync bits; MPEG-2.5 (the 12th bit clear) is not carried in DVB.
    if (b[0] != 0xFF || (b[1] & 0xF0) != 0xF0)
        return false;
    header.mpeg1 = b[1] & 0x08;
    int layerBits = (b[1] >> 1) & 3;
    int bitrateIndex = b[2] >> 4;
    int rateIndex = (b[2] >> 2) & 3;
    bool padding = b[2] & 0x02;
    if (layerBits == 0 || bitrateIndex == 0 || bitrateIndex == 15 || rateIndex == 3)
        return false;
    header.layer = 4 - layerBits;

    static const int bitrates[2][3][15] = {
        { { 0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256 },
            { 0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160 },
            { 0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160 } },
        { { 0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448 },
            { 0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384 },
            { 0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320 } },
    };
    static const int rates[3] = { 44100, 48000, 32000 };
    int bitrate = bitrates[header.mpeg1][header.layer - 1][bitrateIndex] * 1000;
    header.sampleRate = rates[rateIndex] / (header.mpeg1 ? 1 : 2);
    if (header.layer == 1) {
        header.samples = 384;
        header.frameSize = size_t((12 * bitrate / header.sampleRate + padding) * 4);
    } else {
        header.samples = header.layer == 3 && !header.mpeg1 ? 576 : 1152;
        header.frameSize = size_t(header.samples / 8 * bitrate / header.sampleRate + padding);
    }
    return true;
}

MpegAudioStream::MpegAudioStream(const ts::Bytes& data, const std::string& name)
{
    Header first;
    if (data.size() < 4 || !ReadHeader(data.data(), first))
        throw MuxError(name + " is not MPEG audio: it does not start with a frame header (sync 0xFFF)");
    m_mpeg1 = first.mpeg1;
    m_sampleRate = first.sampleRate;
    int64_t samples = 0;
    size_t at = 0;
    while (at < data.size()) {
        Header header;
        if (data.size() - at < 4 || !ReadHeader(&data[at], header))
            throw MuxError(name + ": lost MPEG audio frame sync at byte " + std::to_string(at));
        if (header.mpeg1 != first.mpeg1 || header.layer != first.layer || header.sampleRate != first.sampleRate)
            throw MuxError(name + ": audio format changes at byte " + std::to_string(at));
        if (header.frameSize > data.size() - at)
            break; // a cut-off last frame is dropped rather than sent incomplete
        AccessUnit unit;
        unit.data.assign(data.begin() + at, data.begin() + at + header.frameSize);
        unit.pts = samples * 90000 / m_sampleRate;
        unit.randomAccess = true;
        m_units.push_back(std::move(unit));
        samples += header.samples;
        at += header.frameSize;
    }
}
