#pragma once
// Writes teletext as DVB carries it in PES (EN 300 472): data units of one
// 42-byte packet each, Hamming 8/4 for addresses and control bits, odd parity
// for characters, every byte in transmission (bit-reversed) order.
#include "tswriter/TsTypes.h"

#include <array>
#include <string>
#include <vector>

// The national option subsets of the Latin G0 set this writer knows.
enum class TeletextCharset : uint8_t { English = 0, German = 1, Italian = 3, French = 4 };

struct TeletextPage {
    int number = 0x100; // magazine and page as written: 0x100..0x8FF
    int subpage = 0; // the subcode, 0..0x3F7F
    TeletextCharset charset = TeletextCharset::English;
    bool subtitle = false; // C6; a subtitle page is also erased (C4) each time
    std::string header; // up to 32 characters after the page number's columns
    // Rows 1..23 by index; empty rows are not sent. Subtitle rows are boxed.
    std::vector<std::pair<int, std::string>> rows;
    // The red, green, yellow and blue links' pages (0x100..0x8FF), 0 for
    // none; with any of them the page carries its editorial links.
    std::array<int, 4> links {};
};

class TeletextEncoder
{
public:
    static uint8_t Hamming84(uint8_t nibble);
    static uint8_t OddParity(uint8_t character);
    // The G0 code of one character in the subset; throws MuxError when the
    // subset has no such character.
    static uint8_t Encode(char32_t character, TeletextCharset charset);
    // UTF-8 text as G0 codes with odd parity.
    static ts::Bytes EncodeText(const std::string& utf8, TeletextCharset charset);

    // The 42 bytes of one packet: address, then data.
    static ts::Bytes Packet(int magazine, int row, const ts::Bytes& data);
    static ts::Bytes HeaderPacket(const TeletextPage& page);
    // Packet X/27/0: the page's colour links, any subpage of each, and the
    // link control byte asking for them on row 24.
    static ts::Bytes LinkPacket(const TeletextPage& page);
    // Header, the links when the page has any, rows, then a header of the
    // magazine's time-filling page 0xFF, which tells the decoder the page is
    // complete.
    static std::vector<ts::Bytes> PagePackets(const TeletextPage& page);
    // The PES data of one frame: data identifier, one data unit per packet
    // (at most 32, one a line), stuffing units up to a length that fills
    // whole transport packets with the standard's 45-byte PES header.
    static ts::Bytes PesData(const std::vector<ts::Bytes>& packets, bool subtitle);
};
