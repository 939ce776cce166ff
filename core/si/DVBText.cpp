#include "si/DVBText.h"

#include "platform/UTF8.h"

#include <cerrno>
#include <cstring>
#include <iconv.h>
#include <iterator>

namespace {
using Bytes = const unsigned char*;

// Broadcast control codes: 0x80-0x9F in one-byte tables, U+E080-U+E09F in
// the others.
constexpr char32_t CONTROL_LINE_BREAK = 0x8A;

void AppendCharacter(CString& out, char32_t character)
{
    const char32_t control = character >= 0xE080 && character <= 0xE09F ? character - 0xE000 : character;
    if (control >= 0x80 && control <= 0x9F) {
        // Emphasis on and off, reserved and user-defined codes show nothing.
        if (control == CONTROL_LINE_BREAK)
            out += '\n';
        return;
    }
    AppendUTF8(out, character);
}

// The default table from 0xA0 on; 0 where it has no character. 0xC1-0xCF are
// the non-spacing diacritics, which are read with the letter that follows.
constexpr char16_t ISO6937_UPPER_HALF[96] = {
    0x00A0, 0x00A1, 0x00A2, 0x00A3, 0x20AC, 0x00A5, 0, 0x00A7, // A0
    0x00A4, 0x2018, 0x201C, 0x00AB, 0x2190, 0x2191, 0x2192, 0x2193, // A8
    0x00B0, 0x00B1, 0x00B2, 0x00B3, 0x00D7, 0x00B5, 0x00B6, 0x00B7, // B0
    0x00F7, 0x2019, 0x201D, 0x00BB, 0x00BC, 0x00BD, 0x00BE, 0x00BF, // B8
    0, 0, 0, 0, 0, 0, 0, 0, // C0
    0, 0, 0, 0, 0, 0, 0, 0, // C8
    0x2015, 0x00B9, 0x00AE, 0x00A9, 0x2122, 0x266A, 0x00AC, 0x00A6, // D0
    0, 0, 0, 0, 0x215B, 0x215C, 0x215D, 0x215E, // D8
    0x2126, 0x00C6, 0x0110, 0x00AA, 0x0126, 0, 0x0132, 0x013F, // E0
    0x0141, 0x00D8, 0x0152, 0x00BA, 0x00DE, 0x0166, 0x014A, 0x0149, // E8
    0x0138, 0x00E6, 0x0111, 0x00F0, 0x0127, 0x0131, 0x0133, 0x0140, // F0
    0x0142, 0x00F8, 0x0153, 0x00DF, 0x00FE, 0x0167, 0x014B, 0x00AD, // F8
};

struct Diacritic {
    unsigned char code;
    char16_t combining;
    // The letters that have a precomposed form with this mark, and those forms.
    const char* letters;
    const char16_t* composed;
};

constexpr Diacritic ISO6937_DIACRITICS[] = {
    { 0xC1, 0x0300, "AEINOUaeinou", u"ÀÈÌǸÒÙàèìǹòù" },
    { 0xC2, 0x0301, "ACEGILNORSUYZacegilnorsuyz", u"ÁĆÉǴÍĹŃÓŔŚÚÝŹáćéǵíĺńóŕśúýź" },
    { 0xC3, 0x0302, "ACEGHIJOSUWYaceghijosuwy", u"ÂĈÊĜĤÎĴÔŜÛŴŶâĉêĝĥîĵôŝûŵŷ" },
    { 0xC4, 0x0303, "AINOUainou", u"ÃĨÑÕŨãĩñõũ" },
    { 0xC5, 0x0304, "AEIOUYaeiouy", u"ĀĒĪŌŪȲāēīōūȳ" },
    { 0xC6, 0x0306, "AEGIOUaegiou", u"ĂĔĞĬŎŬăĕğĭŏŭ" },
    { 0xC7, 0x0307, "ACEGIOZacegoz", u"ȦĊĖĠİȮŻȧċėġȯż" },
    { 0xC8, 0x0308, "AEIOUYaeiouy", u"ÄËÏÖÜŸäëïöüÿ" },
    { 0xCA, 0x030A, "AUau", u"ÅŮåů" },
    { 0xCB, 0x0327, "CEGKLNRSTcegklnrst", u"ÇȨĢĶĻŅŖŞŢçȩģķļņŗşţ" },
    { 0xCD, 0x030B, "OUou", u"ŐŰőű" },
    { 0xCE, 0x0328, "AEIOUaeiou", u"ĄĘĮǪŲąęįǫų" },
    { 0xCF, 0x030C, "ACDEGHIKLNORSTUZacdeghijklnorstuz", u"ǍČĎĚǦȞǏǨĽŇǑŘŠŤǓŽǎčďěǧȟǐǰǩľňǒřšťǔž" },
};

const Diacritic* FindDiacritic(unsigned char code)
{
    for (const Diacritic& diacritic : ISO6937_DIACRITICS) {
        if (diacritic.code == code)
            return &diacritic;
    }
    return nullptr;
}

// A diacritic and the printable character after it: the precomposed letter
// where there is one, else the character followed by the combining mark.
void AppendMarked(CString& out, const Diacritic& diacritic, unsigned char base)
{
    if (const char* letter = std::strchr(diacritic.letters, base)) {
        AppendUTF8(out, diacritic.composed[letter - diacritic.letters]);
        return;
    }
    AppendUTF8(out, base);
    AppendUTF8(out, diacritic.combining);
}

void DecodeISO6937(Bytes text, size_t size, CString& out)
{
    for (size_t i = 0; i < size; ++i) {
        const unsigned char byte = text[i];
        if (byte < 0xA0) {
            AppendCharacter(out, byte);
        } else if (const Diacritic* diacritic = FindDiacritic(byte)) {
            // A mark before anything but a printable character is dropped.
            if (i + 1 < size && text[i + 1] > 0x20 && text[i + 1] < 0x7F)
                AppendMarked(out, *diacritic, text[++i]);
        } else if (const char16_t character = ISO6937_UPPER_HALF[byte - 0xA0]) {
            AppendCharacter(out, character);
        }
    }
}

void DecodeUCS2(Bytes text, size_t size, CString& out)
{
    // An odd last byte is half a character cut off.
    for (size_t i = 0; i + 1 < size; i += 2)
        AppendCharacter(out, static_cast<char32_t>(text[i] << 8 | text[i + 1]));
}

void DecodeUTF8(Bytes text, size_t size, CString& out)
{
    const char* chars = reinterpret_cast<const char*>(text);
    for (size_t i = 0; i < size;) {
        const UTF8Sequence sequence = ReadUTF8Sequence(chars + i, size - i);
        if (sequence.status == UTF8Sequence::VALID)
            AppendCharacter(out, sequence.codePoint);
        else if (sequence.status == UTF8Sequence::INVALID)
            AppendCharacter(out, UNICODE_REPLACEMENT_CHARACTER);
        i += sequence.length;
    }
}

// Decodes through the C library's converter; false when it does not know the
// character set.
bool DecodeWithIconv(const char* charset, Bytes text, size_t size, CString& out)
{
    iconv_t converter = iconv_open("UTF-32BE", charset);
    if (converter == reinterpret_cast<iconv_t>(-1))
        return false;
    char* in = const_cast<char*>(reinterpret_cast<const char*>(text));
    size_t inLeft = size;
    while (inLeft > 0) {
        unsigned char buffer[256];
        char* outPosition = reinterpret_cast<char*>(buffer);
        size_t outLeft = sizeof(buffer);
        const size_t result = iconv(converter, &in, &inLeft, &outPosition, &outLeft);
        const int error = errno;
        for (unsigned char* c = buffer; c + 4 <= reinterpret_cast<unsigned char*>(outPosition); c += 4)
            AppendCharacter(out, static_cast<char32_t>(c[0]) << 24 | c[1] << 16 | c[2] << 8 | c[3]);
        if (result != static_cast<size_t>(-1) || error == E2BIG)
            continue;
        if (error != EILSEQ)
            break; // a character cut short by the end of the field
        AppendCharacter(out, UNICODE_REPLACEMENT_CHARACTER);
        ++in;
        --inLeft;
    }
    iconv_close(converter);
    return true;
}

const char* ISO8859Part(unsigned part)
{
    static const char* const names[] = { nullptr, "ISO-8859-1", "ISO-8859-2", "ISO-8859-3", "ISO-8859-4", "ISO-8859-5",
        "ISO-8859-6", "ISO-8859-7", "ISO-8859-8", "ISO-8859-9", "ISO-8859-10", "ISO-8859-11", nullptr, "ISO-8859-13",
        "ISO-8859-14", "ISO-8859-15" };
    return part < std::size(names) ? names[part] : nullptr;
}

// The text's table, from its selector bytes, and where its characters begin.
struct CharacterTable {
    enum Kind { DEFAULT, CONVERTED, UCS2, UTF8 } kind;
    const char* charset; // for CONVERTED
    size_t start;
};

CharacterTable SelectTable(Bytes raw, size_t size)
{
    if (size == 0 || raw[0] >= 0x20)
        return { CharacterTable::DEFAULT, nullptr, 0 };
    const unsigned char selector = raw[0];
    if (selector >= 0x01 && selector <= 0x0B) {
        if (const char* charset = ISO8859Part(selector + 4u))
            return { CharacterTable::CONVERTED, charset, 1 };
    } else if (selector == 0x10) {
        if (size < 3)
            return { CharacterTable::DEFAULT, nullptr, size };
        if (const char* charset = ISO8859Part(raw[1] << 8 | raw[2]))
            return { CharacterTable::CONVERTED, charset, 3 };
        return { CharacterTable::DEFAULT, nullptr, 3 };
    } else if (selector == 0x11) {
        return { CharacterTable::UCS2, nullptr, 1 };
    } else if (selector == 0x12) {
        return { CharacterTable::CONVERTED, "EUC-KR", 1 };
    } else if (selector == 0x13) {
        return { CharacterTable::CONVERTED, "GB2312", 1 };
    } else if (selector == 0x14) {
        return { CharacterTable::CONVERTED, "BIG5", 1 };
    } else if (selector == 0x15) {
        return { CharacterTable::UTF8, nullptr, 1 };
    }
    return { CharacterTable::DEFAULT, nullptr, 1 };
}
} // namespace

CString DVBTextToUTF8(const CString& raw)
{
    Bytes bytes = reinterpret_cast<Bytes>(raw.data());
    const CharacterTable table = SelectTable(bytes, raw.size());
    Bytes text = bytes + table.start;
    const size_t size = raw.size() - table.start;
    CString out;
    out.reserve(size * 2);
    switch (table.kind) {
    case CharacterTable::UCS2:
        DecodeUCS2(text, size, out);
        break;
    case CharacterTable::UTF8:
        DecodeUTF8(text, size, out);
        break;
    case CharacterTable::CONVERTED:
        if (DecodeWithIconv(table.charset, text, size, out))
            break;
        [[fallthrough]];
    case CharacterTable::DEFAULT:
        DecodeISO6937(text, size, out);
        break;
    }
    return out;
}
