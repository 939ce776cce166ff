#pragma once
// An MPEG audio (layer I, II or III) elementary stream cut into frames.
#include "AccessUnit.h"

#include <string>
#include <vector>

class MpegAudioStream
{
public:
    // Throws MuxError when the bytes are not MPEG audio, use free format, or
    // lose frame sync; the name goes into the message.
    MpegAudioStream(const ts::Bytes& data, const std::string& name);

    // One unit per frame, the first presented at 0.
    const std::vector<AccessUnit>& Units() const { return m_units; }
    // MPEG-1 (stream type 0x03) or the lower sampling rates of MPEG-2 (0x04).
    bool IsMpeg1() const { return m_mpeg1; }
    int SampleRate() const { return m_sampleRate; }

private:
    struct Header {
        bool mpeg1 = true;
        int layer = 0;
        int sampleRate = 0;
        size_t frameSize = 0;
        int samples = 0;
    };

    static bool ReadHeader(const uint8_t* bytes, Header& header);

    bool m_mpeg1 = true;
    int m_sampleRate = 0;
    std::vector<AccessUnit> m_units;
};
