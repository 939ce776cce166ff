#include "TeletextEncoder.h"
#include "MuxError.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace {

constexpr size_t PACKET_BYTES = 42;
constexpr size_t DATA_UNIT_BYTES = 46;
constexpr uint8_t DATA_IDENTIFIER = 0x10;
constexpr uint8_t UNIT_TELETEXT = 0x02;
constexpr uint8_t UNIT_SUBTITLE = 0x03;
constexpr uint8_t UNIT_STUFFING = 0xFF;
constexpr uint8_t FRAMING_CODE = 0x27;
constexpr uint8_t START_BOX = 0x0B;
constexpr uint8_t END_BOX = 0x0A;
constexpr size_t MAX_PACKETS_PER_PES = 32;
constexpr int FIRST_LINE = 7;
constexpr int LINK_ROW = 27;
// X/27/0 has six links: the four colours, then the index and a spare.
constexpr size_t LINK_COUNT = 6;
constexpr int ANY_SUBPAGE = 0x3F7F;
// The link control byte's bit that shows the links on row 24.
constexpr uint8_t SHOW_ROW_24 = 0x8;

// The characters at the G0 codes each national option replaces.
constexpr std::array<uint8_t, 13> NATIONAL_CODES { 0x23, 0x24, 0x40, 0x5B, 0x5C, 0x5D, 0x5E, 0x5F, 0x60, 0x7B, 0x7C,
    0x7D, 0x7E };
const std::array<char32_t, 13>& NationalCharacters(TeletextCharset charset)
{
    static const std::array<char32_t, 13> english { U'£', U'$', U'@', U'←', U'½', U'→', U'↑', U'#', U'―', U'¼', U'‖',
        U'¾', U'÷' };
    static const std::array<char32_t, 13> german { U'#', U'$', U'§', U'Ä', U'Ö', U'Ü', U'^', U'_', U'°', U'ä', U'ö',
        U'ü', U'ß' };
    static const std::array<char32_t, 13> italian { U'£', U'$', U'é', U'°', U'ç', U'→', U'↑', U'#', U'ù', U'à', U'ò',
        U'è', U'ì' };
    static const std::array<char32_t, 13> french { U'é', U'ï', U'à', U'ë', U'ê', U'ù', U'î', U'#', U'è', U'â', U'ô',
        U'û', U'ç' };
    switch (charset) {
    case TeletextCharset::German:
        return german;
    case TeletextCharset::Italian:
        return italian;
    case TeletextCharset::French:
        return french;
    case TeletextCharset::English:
        break;
    }
    return english;
}

uint8_t Reverse(uint8_t byte)
{
    byte = uint8_t((byte & 0xF0) >> 4 | (byte & 0x0F) << 4);
    byte = uint8_t((byte & 0xCC) >> 2 | (byte & 0x33) << 2);
    return uint8_t((byte & 0xAA) >> 1 | (byte & 0x55) << 1);
}

std::vector<char32_t> DecodeUtf8(const std::string& text)
{
    std::vector<char32_t> out;
    for (size_t at = 0; at < text.size();) {
        const auto lead = uint8_t(text[at]);
        const int extra = lead < 0x80 ? 0 : lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : -1;
        if (extra < 0 || at + size_t(extra) >= text.size())
            throw MuxError("teletext text is not UTF-8: \"" + text + "\"");
        char32_t code = extra == 0 ? lead : lead & (0x3F >> extra);
        for (int i = 1; i <= extra; ++i)
            code = code << 6 | (uint8_t(text[at + size_t(i)]) & 0x3F);
        out.push_back(code);
        at += size_t(extra) + 1;
    }
    return out;
}

} // namespace

// Bits go out P1 D1 P2 D2 P3 D3 P4 D4, the first in bit 0.
uint8_t TeletextEncoder::Hamming84(uint8_t nibble)
{
    const int d1 = nibble & 1, d2 = nibble >> 1 & 1, d3 = nibble >> 2 & 1, d4 = nibble >> 3 & 1;
    const int p1 = 1 ^ d1 ^ d3 ^ d4, p2 = 1 ^ d1 ^ d2 ^ d4, p3 = 1 ^ d1 ^ d2 ^ d3;
    const int p4 = 1 ^ p1 ^ d1 ^ p2 ^ d2 ^ p3 ^ d3 ^ d4;
    return uint8_t(p1 | d1 << 1 | p2 << 2 | d2 << 3 | p3 << 4 | d3 << 5 | p4 << 6 | d4 << 7);
}

uint8_t TeletextEncoder::OddParity(uint8_t character)
{
    character &= 0x7F;
    return uint8_t(__builtin_parity(character) ? character : character | 0x80);
}

uint8_t TeletextEncoder::Encode(char32_t character, TeletextCharset charset)
{
    const auto& national = NationalCharacters(charset);
    for (size_t i = 0; i < national.size(); ++i)
        if (national[i] == character)
            return NATIONAL_CODES[i];
    const bool replaced = std::find(NATIONAL_CODES.begin(), NATIONAL_CODES.end(), character) != NATIONAL_CODES.end();
    if (character >= 0x20 && character < 0x7F && !replaced)
        return uint8_t(character);
    char code[16];
    std::snprintf(code, sizeof code, "U+%04X", unsigned(character));
    throw MuxError("teletext national option " + std::to_string(int(charset)) + " has no character " + code);
}

ts::Bytes TeletextEncoder::EncodeText(const std::string& utf8, TeletextCharset charset)
{
    ts::Bytes out;
    for (char32_t character : DecodeUtf8(utf8))
        out.push_back(OddParity(Encode(character, charset)));
    return out;
}

ts::Bytes TeletextEncoder::Packet(int magazine, int row, const ts::Bytes& data)
{
    ts::Bytes packet { Hamming84(uint8_t((magazine & 7) | (row & 1) << 3)), Hamming84(uint8_t(row >> 1)) };
    packet.insert(packet.end(), data.begin(), data.end());
    packet.resize(PACKET_BYTES, OddParity(' '));
    return packet;
}

ts::Bytes TeletextEncoder::HeaderPacket(const TeletextPage& page)
{
    const int magazine = page.number >> 8 & 7;
    const bool erase = page.subtitle;
    // The subcode's S1-S4 among C4 erase and C6 subtitle; C12-C14 the
    // national option, C12 its high bit.
    const int national = int(page.charset);
    const int sub = page.subpage;
    const uint8_t controls[] = {
        uint8_t(page.number & 0x0F),
        uint8_t(page.number >> 4 & 0x0F),
        uint8_t(sub & 0x0F),
        uint8_t((sub >> 4 & 0x7) | (erase ? 0x8 : 0)),
        uint8_t(sub >> 8 & 0x0F),
        uint8_t((sub >> 12 & 0x3) | (page.subtitle ? 0x8 : 0)),
        0,
        uint8_t((national >> 2 & 1) << 1 | (national >> 1 & 1) << 2 | (national & 1) << 3),
    };
    ts::Bytes data;
    for (uint8_t nibble : controls)
        data.push_back(Hamming84(nibble));
    const ts::Bytes text = EncodeText(page.header, page.charset);
    if (text.size() > 32)
        throw MuxError("teletext header longer than 32 characters: \"" + page.header + "\"");
    data.insert(data.end(), text.begin(), text.end());
    return Packet(magazine, 0, data);
}

// Each link is six Hamming 8/4 nibbles: page units and tens, then the
// subcode with the target's magazine, relative to this page's, in the spare
// bits. The page CRC after the control byte is left blank: decoders do not
// trust it.
ts::Bytes TeletextEncoder::LinkPacket(const TeletextPage& page)
{
    const int magazine = page.number >> 8 & 7;
    ts::Bytes data { Hamming84(0) };
    for (size_t index = 0; index < LINK_COUNT; ++index) {
        const int wanted = index < page.links.size() ? page.links[index] : 0;
        if (wanted != 0 && (wanted < 0x100 || wanted > 0x8FF))
            throw MuxError("teletext link to page " + std::to_string(wanted) + " is outside 100..8FF");
        // Page FF of the page's own magazine is no page.
        const int target = wanted != 0 ? wanted : (page.number & 0x700) | 0xFF;
        const int relative = (target >> 8 & 7) ^ magazine;
        const uint8_t nibbles[] = {
            uint8_t(target & 0x0F),
            uint8_t(target >> 4 & 0x0F),
            uint8_t(ANY_SUBPAGE & 0x0F),
            uint8_t((ANY_SUBPAGE >> 4 & 0x7) | (relative & 1) << 3),
            uint8_t(ANY_SUBPAGE >> 8 & 0x0F),
            uint8_t((ANY_SUBPAGE >> 12 & 0x3) | (relative >> 1 & 3) << 2),
        };
        for (uint8_t nibble : nibbles)
            data.push_back(Hamming84(nibble));
    }
    data.push_back(Hamming84(SHOW_ROW_24));
    return Packet(magazine, LINK_ROW, data);
}

std::vector<ts::Bytes> TeletextEncoder::PagePackets(const TeletextPage& page)
{
    std::vector<ts::Bytes> packets { HeaderPacket(page) };
    const int magazine = page.number >> 8 & 7;
    if (std::any_of(page.links.begin(), page.links.end(), [](int link) { return link != 0; }))
        packets.push_back(LinkPacket(page));
    for (const auto& [row, text] : page.rows) {
        ts::Bytes data = EncodeText(text, page.charset);
        if (page.subtitle) {
            // Boxed text on its black background, the box closed after it.
            data.insert(data.begin(), { OddParity(START_BOX), OddParity(START_BOX) });
            data.insert(data.end(), { OddParity(END_BOX), OddParity(END_BOX) });
            if (data.size() < 40)
                data.insert(data.begin(), (40 - data.size()) / 2, OddParity(' '));
        }
        if (row < 1 || row > 23 || data.size() > 40)
            throw MuxError("teletext row " + std::to_string(row) + " is outside the page: \"" + text + "\"");
        packets.push_back(Packet(magazine, row, data));
    }
    TeletextPage filler;
    filler.number = page.number | 0xFF;
    filler.charset = page.charset;
    packets.push_back(HeaderPacket(filler));
    return packets;
}

ts::Bytes TeletextEncoder::PesData(const std::vector<ts::Bytes>& packets, bool subtitle)
{
    if (packets.size() > MAX_PACKETS_PER_PES)
        throw MuxError("more teletext packets than one frame's lines carry");
    ts::Bytes out { DATA_IDENTIFIER };
    auto unit = [&out](uint8_t id, uint8_t lineAndField, const ts::Bytes& packet) {
        out.insert(out.end(), { id, uint8_t(DATA_UNIT_BYTES - 2), lineAndField, Reverse(FRAMING_CODE) });
        for (uint8_t byte : packet)
            out.push_back(Reverse(byte));
    };
    // Lines 7 to 22 of the first field, then of the second, in order: one
    // PES is one frame's lines, and decoders see a new frame when they wrap.
    for (size_t index = 0; index < packets.size(); ++index) {
        const bool firstField = index < MAX_PACKETS_PER_PES / 2;
        const auto line = uint8_t(FIRST_LINE + index % (MAX_PACKETS_PER_PES / 2));
        unit(subtitle ? UNIT_SUBTITLE : UNIT_TELETEXT, uint8_t(0xC0 | (firstField ? 0x20 : 0) | line), packets[index]);
    }
    // With the 45-byte header, a PES of 46 * (units + 1) bytes fills whole
    // transport packets when units + 1 is a multiple of four.
    while ((out.size() - 1) / DATA_UNIT_BYTES % 4 != 3)
        unit(UNIT_STUFFING, 0xFF, ts::Bytes(PACKET_BYTES, 0xFF));
    return out;
}
