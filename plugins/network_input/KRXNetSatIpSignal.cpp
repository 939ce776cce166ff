#include "KRXNetSatIpSignal.h"

#include <charconv>
#include <vector>

namespace {
constexpr uint8_t kApplicationPacket = 204;
constexpr size_t kHeaderSize = 12; // common header, SSRC and name

bool ReadField(const CString& text, int low, int high, int& value)
{
    const auto [end, fault] = std::from_chars(text.data(), text.data() + text.size(), value);
    return fault == std::errc() && end == text.data() + text.size() && value >= low && value <= high;
}

// "ver=1.0;src=1;tuner=1,224,1,15,...;pids=0": the tuner's level, lock and quality.
bool ParseReportText(const CString& text, KRXNetSatIpSignal& signal)
{
    const size_t tuner = text.find("tuner=");
    if (tuner == CString::npos)
        return false;
    const size_t end = text.find(';', tuner);
    const CString values = text.substr(tuner + 6, end == CString::npos ? CString::npos : end - tuner - 6);
    std::vector<CString> fields;
    for (size_t start = 0;;) {
        const size_t comma = values.find(',', start);
        fields.push_back(values.substr(start, comma == CString::npos ? CString::npos : comma - start));
        if (comma == CString::npos || fields.size() == 4)
            break;
        start = comma + 1;
    }
    int locked = 0;
    if (fields.size() != 4 || !ReadField(fields[1], 0, 255, signal.level) || !ReadField(fields[2], 0, 1, locked)
        || !ReadField(fields[3], 0, 15, signal.quality))
        return false;
    signal.locked = locked == 1;
    return true;
}
} // namespace

bool ParseSatIpSignalReport(const uint8_t* data, size_t size, KRXNetSatIpSignal& signal)
{
    for (size_t at = 0; at + 4 <= size;) {
        if ((data[at] >> 6) != 2)
            return false;
        const size_t length = 4 * (size_t(data[at + 2] << 8 | data[at + 3]) + 1);
        if (length > size - at)
            return false;
        const uint8_t* packet = data + at;
        at += length;
        if (packet[1] != kApplicationPacket || length < kHeaderSize + 4
            || CString(reinterpret_cast<const char*>(packet + 8), 4) != "SES1")
            continue;
        // Application data: an identifier, the text's length, the text.
        const size_t textLength = size_t(packet[kHeaderSize + 2] << 8 | packet[kHeaderSize + 3]);
        if (textLength > length - kHeaderSize - 4)
            return false;
        KRXNetSatIpSignal read;
        if (ParseReportText(CString(reinterpret_cast<const char*>(packet + kHeaderSize + 4), textLength), read)) {
            signal = read;
            return true;
        }
    }
    return false;
}

CString FormatSatIpSignal(const KRXNetSatIpSignal& signal)
{
    if (!signal.locked)
        return "no lock";
    return FormatString("Lock, level %d%%, quality %d%%", signal.level * 100 / 255, signal.quality * 100 / 15);
}
