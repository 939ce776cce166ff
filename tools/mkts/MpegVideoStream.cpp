#include "MpegVideoStream.h"
#include "MuxError.h"

#include <algorithm>

namespace {

constexpr uint8_t PICTURE_START = 0x00;
constexpr uint8_t SEQUENCE_HEADER = 0xB3;
constexpr uint8_t EXTENSION = 0xB5;
constexpr uint8_t GROUP_START = 0xB8;

// Positions of the 00 00 01 xx start codes (of the xx byte's predecessor 00).
std::vector<size_t> FindStartCodes(const ts::Bytes& data)
{
    std::vector<size_t> codes;
    for (size_t i = 0; i + 3 < data.size(); ++i) {
        if (data[i] == 0 && data[i + 1] == 0 && data[i + 2] == 1) {
            codes.push_back(i);
            i += 2;
        }
    }
    return codes;
}

} // namespace

MpegVideoStream::MpegVideoStream(const ts::Bytes& data, const std::string& name)
{
    ReadSequenceHeader(data, name);
    TimePictures(data, CutPictures(data, name));
}

void MpegVideoStream::ReadSequenceHeader(const ts::Bytes& data, const std::string& name)
{
    if (data.size() < 12 || data[0] != 0 || data[1] != 0 || data[2] != 1 || data[3] != SEQUENCE_HEADER)
        throw MuxError(name + " is not MPEG video: it does not start with a sequence header (00 00 01 B3)");
    // 90 kHz ticks per frame for frame_rate_code 1 to 8.
    static const int64_t durations[] = { 0, 3754, 3750, 3600, 3003, 3000, 1800, 1502, 1500 };
    unsigned rateCode = data[7] & 0x0F;
    if (rateCode == 0 || rateCode > 8)
        throw MuxError(name + ": unknown frame_rate_code " + std::to_string(rateCode));
    m_frameDuration = durations[rateCode];
}

std::vector<MpegVideoStream::Picture> MpegVideoStream::CutPictures(const ts::Bytes& data, const std::string& name)
{
    std::vector<Picture> pictures;
    int64_t groupBase = 0; // pictures coded before the current group
    int64_t lastReference = -1;
    int64_t coded = 0;
    bool inPicture = false;
    size_t unitStart = 0;
    for (size_t code : FindStartCodes(data)) {
        uint8_t id = data[code + 3];
        if (id == EXTENSION && code + 4 < data.size() && (data[code + 4] >> 4) == 1)
            m_mpeg2 = true;
        // Headers before a picture belong to the unit of that picture.
        bool header = id == SEQUENCE_HEADER || id == GROUP_START || id == PICTURE_START;
        if (header && inPicture) {
            inPicture = false;
            unitStart = code;
        }
        if (id == GROUP_START) {
            groupBase = coded;
            lastReference = -1;
        }
        if (id == PICTURE_START) {
            if (code + 5 >= data.size())
                throw MuxError(name + ": truncated picture header at byte " + std::to_string(code));
            int64_t temporalReference = int64_t(data[code + 4]) << 2 | data[code + 5] >> 6;
            // Without group headers the 10-bit count wraps at 1024.
            if (temporalReference + 512 < lastReference)
                groupBase += 1024;
            lastReference = temporalReference;
            pictures.push_back({ unitStart, groupBase + temporalReference });
            ++coded;
            inPicture = true;
        }
    }
    if (pictures.empty())
        throw MuxError(name + " holds no coded picture");
    return pictures;
}

void MpegVideoStream::TimePictures(const ts::Bytes& data, const std::vector<Picture>& pictures)
{
    // The display delay that keeps every picture's PTS at or after its DTS.
    int64_t delay = 0;
    for (size_t i = 0; i < pictures.size(); ++i)
        delay = std::max(delay, int64_t(i) - pictures[i].displayIndex);
    for (size_t i = 0; i < pictures.size(); ++i) {
        size_t end = i + 1 < pictures.size() ? pictures[i + 1].start : data.size();
        AccessUnit unit;
        unit.data.assign(data.begin() + pictures[i].start, data.begin() + end);
        unit.pts = pictures[i].displayIndex * m_frameDuration;
        int64_t dts = (int64_t(i) - delay) * m_frameDuration;
        if (dts != unit.pts)
            unit.dts = dts;
        unit.randomAccess = unit.data.size() > 3 && unit.data[3] == SEQUENCE_HEADER;
        m_units.push_back(std::move(unit));
    }
}
