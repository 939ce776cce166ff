#include "DVBSoundCodingDetector.h"

#include <algorithm>

namespace {
// A search looks at up to this much of the stream at a time, again each time
// this much more has come: enough for runs of the longest frames broadcasts
// use (AC-3 at 640 kbit/s: 3,840 bytes), found within a fraction of a second.
constexpr size_t kLongestStretch = 64 * 1024;
constexpr size_t kSearchStep = 2 * 1024;
constexpr int kRunLength = 4;
// The bytes every header parser below reads.
constexpr size_t kHeaderSize = 6;

// Each gives the length of the frame whose header starts at p, or 0 when p
// starts no header of that coding.
size_t MPEGAudioFrameLength(const unsigned char* p)
{
    static const int kKilobits[2][3][15] = {
        { { 0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448 },
            { 0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384 },
            { 0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320 } },
        { { 0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256 },
            { 0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160 },
            { 0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160 } },
    };
    static const int kRates[3] = { 44100, 48000, 32000 };
    if (p[0] != 0xFF || (p[1] & 0xE0) != 0xE0)
        return 0;
    const int version = (p[1] >> 3) & 3; // 3 MPEG-1, 2 MPEG-2, 0 MPEG-2.5
    const int layer = 4 - ((p[1] >> 1) & 3);
    const int bitrateIndex = p[2] >> 4;
    const int rateIndex = (p[2] >> 2) & 3;
    const int padding = (p[2] >> 1) & 1;
    if (version == 1 || layer == 4 || bitrateIndex == 0 || bitrateIndex == 15 || rateIndex == 3)
        return 0;
    const bool mpeg1 = version == 3;
    const int rate = kRates[rateIndex] >> (mpeg1 ? 0 : version == 2 ? 1 : 2);
    const int bitrate = kKilobits[mpeg1 ? 0 : 1][layer - 1][bitrateIndex] * 1000;
    if (layer == 1)
        return size_t((12 * bitrate / rate + padding) * 4);
    return size_t((layer == 3 && !mpeg1 ? 72 : 144) * bitrate / rate + padding);
}

size_t ADTSFrameLength(const unsigned char* p)
{
    // The MPEG audio sync with layer 0, which MPEG audio never uses.
    if (p[0] != 0xFF || (p[1] & 0xF6) != 0xF0 || ((p[2] >> 2) & 0x0F) > 12)
        return 0;
    const size_t length = size_t((p[3] & 3) << 11 | p[4] << 3 | p[5] >> 5);
    return length > kHeaderSize ? length : 0;
}

size_t LATMFrameLength(const unsigned char* p)
{
    if (p[0] != 0x56 || (p[1] & 0xE0) != 0xE0)
        return 0;
    const size_t length = size_t((p[1] & 0x1F) << 8 | p[2]) + 3;
    return length > kHeaderSize ? length : 0;
}

// AC-3 and E-AC-3 share the sync word; the bitstream id tells them apart.
size_t AC3FrameLength(const unsigned char* p)
{
    static const int kKilobits[19]
        = { 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 448, 512, 576, 640 };
    const int rateCode = p[4] >> 6;
    const int sizeCode = p[4] & 0x3F;
    if (p[0] != 0x0B || p[1] != 0x77 || (p[5] >> 3) > 10 || rateCode == 3 || sizeCode > 37)
        return 0;
    const int kilobits = kKilobits[sizeCode / 2];
    // 16-bit words at 48, 44.1 and 32 kHz.
    const int words = rateCode == 0 ? kilobits * 2
        : rateCode == 1             ? kilobits * 320 / 147 + (sizeCode & 1)
                                    : kilobits * 3;
    return size_t(words) * 2;
}

size_t EnhancedAC3FrameLength(const unsigned char* p)
{
    const int bitstreamId = p[5] >> 3;
    if (p[0] != 0x0B || p[1] != 0x77 || bitstreamId <= 10 || bitstreamId > 16)
        return 0;
    return (size_t((p[2] & 7) << 8 | p[3]) + 1) * 2;
}

struct SCoding {
    EDVBSoundCoding coding;
    size_t (*frameLength)(const unsigned char*);
};
constexpr SCoding kCodings[] = {
    { EDVBSoundCoding::MPEGAudio, MPEGAudioFrameLength },
    { EDVBSoundCoding::AAC, ADTSFrameLength },
    { EDVBSoundCoding::AACLATM, LATMFrameLength },
    { EDVBSoundCoding::AC3, AC3FrameLength },
    { EDVBSoundCoding::EnhancedAC3, EnhancedAC3FrameLength },
};
} // namespace

EDVBSoundCoding CDVBSoundCodingDetector::FindRun(const unsigned char* data, size_t size, int count)
{
    for (const SCoding& coding : kCodings) {
        size_t at = 0;
        int frames = 0;
        for (size_t length; frames < count && at + kHeaderSize <= size && (length = coding.frameLength(data + at)) != 0;
             frames++)
            at += length;
        if (frames == count)
            return coding.coding;
    }
    return EDVBSoundCoding::None;
}

void CDVBSoundCodingDetector::Examine(const unsigned char* data, size_t size)
{
    if (m_ended)
        return;
    const size_t before = m_stretch.size();
    m_stretch.insert(m_stretch.end(), data, data + size);
    if (before / kSearchStep != m_stretch.size() / kSearchStep)
        Decide();
}

void CDVBSoundCodingDetector::Decide()
{
    EDVBSoundCoding foreign = EDVBSoundCoding::None;
    for (size_t at = 0; at + kHeaderSize <= m_stretch.size(); at++) {
        const EDVBSoundCoding coding = FindRun(m_stretch.data() + at, m_stretch.size() - at, kRunLength);
        if (coding == m_own) {
            foreign = EDVBSoundCoding::None;
            m_ended = true;
            break;
        }
        if (foreign == EDVBSoundCoding::None)
            foreign = coding;
    }
    if (foreign != EDVBSoundCoding::None) {
        m_foreign = foreign;
        m_ended = true;
    }
    if (m_ended)
        std::vector<unsigned char>().swap(m_stretch);
    else if (m_stretch.size() >= kLongestStretch)
        m_stretch.erase(m_stretch.begin(), m_stretch.end() - kLongestStretch / 2);
}

unsigned char CDVBSoundCodingDetector::GetForeignStreamType() const
{
    switch (m_foreign.load()) {
    case EDVBSoundCoding::MPEGAudio:
        return 0x03;
    case EDVBSoundCoding::AAC:
        return 0x0F;
    case EDVBSoundCoding::AACLATM:
        return 0x11;
    case EDVBSoundCoding::AC3:
        return 0x81;
    case EDVBSoundCoding::EnhancedAC3:
        return 0x87;
    default:
        return 0;
    }
}
