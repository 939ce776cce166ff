#pragma once
// An MPEG-1/MPEG-2 video elementary stream cut into coded pictures, with the
// time stamps that the picture order implies.
#include "AccessUnit.h"

#include <string>
#include <vector>

class MpegVideoStream
{
public:
    // Throws MuxError when the bytes are not MPEG video or their pictures
    // cannot be timed; the name goes into the message.
    MpegVideoStream(const ts::Bytes& data, const std::string& name);

    // In coding order. The first picture is displayed at 0, so that video
    // and audio that start together keep together. Pictures decode one frame
    // apart; the reordering delay puts the first decode before 0, B-pictures
    // are shown at their decoding time and anchors later.
    const std::vector<AccessUnit>& Units() const { return m_units; }
    int64_t FrameDuration() const { return m_frameDuration; }
    // A sequence extension marks MPEG-2 (stream type 0x02); without, MPEG-1 (0x01).
    bool IsMpeg2() const { return m_mpeg2; }

private:
    struct Picture {
        size_t start = 0;
        int64_t displayIndex = 0;
    };

    void ReadSequenceHeader(const ts::Bytes& data, const std::string& name);
    std::vector<Picture> CutPictures(const ts::Bytes& data, const std::string& name);
    void TimePictures(const ts::Bytes& data, const std::vector<Picture>& pictures);

    int64_t m_frameDuration = 3600;
    bool m_mpeg2 = false;
    std::vector<AccessUnit> m_units;
};
