#include "platform/UTF8.h"

namespace {
// The range the byte after a lead byte must fall in: the lead's narrower
// ranges shut out overlong forms, surrogates and values above U+10FFFF.
bool SecondByteFits(unsigned char lead, unsigned char second)
{
    switch (lead) {
    case 0xE0:
        return second >= 0xA0 && second <= 0xBF;
    case 0xED:
        return second >= 0x80 && second <= 0x9F;
    case 0xF0:
        return second >= 0x90 && second <= 0xBF;
    case 0xF4:
        return second >= 0x80 && second <= 0x8F;
    default:
        return second >= 0x80 && second <= 0xBF;
    }
}
} // namespace

UTF8Sequence ReadUTF8Sequence(const char* text, size_t size)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(text);
    const unsigned char lead = bytes[0];
    if (lead < 0x80)
        return { UTF8Sequence::VALID, lead, 1 };
    size_t length;
    char32_t codePoint;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        codePoint = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        codePoint = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        codePoint = lead & 0x07;
    } else {
        return { UTF8Sequence::INVALID, 0, 1 };
    }
    for (size_t i = 1; i < length; ++i) {
        if (i == size)
            return { UTF8Sequence::TRUNCATED, 0, size };
        const bool fits = i == 1 ? SecondByteFits(lead, bytes[1]) : (bytes[i] & 0xC0) == 0x80;
        if (!fits)
            return { UTF8Sequence::INVALID, 0, i };
        codePoint = (codePoint << 6) | (bytes[i] & 0x3F);
    }
    return { UTF8Sequence::VALID, codePoint, length };
}

void AppendUTF8(CString& out, char32_t codePoint)
{
    if ((codePoint >= 0xD800 && codePoint <= 0xDFFF) || codePoint > 0x10FFFF)
        codePoint = UNICODE_REPLACEMENT_CHARACTER;
    if (codePoint < 0x80) {
        out += static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
        out += static_cast<char>(0xC0 | (codePoint >> 6));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        out += static_cast<char>(0xE0 | (codePoint >> 12));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (codePoint >> 18));
        out += static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
}
