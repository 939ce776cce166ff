#include "SubtitleDecoder.h"

#include <stdexcept>

namespace subtitle_check {

namespace {

class Bits
{
public:
    Bits(const uint8_t* data, size_t size)
        : m_data(data)
        , m_size(size)
    {
    }
    uint32_t Get(int count)
    {
        uint32_t value = 0;
        for (int i = 0; i < count; ++i) {
            if (m_bit / 8 >= m_size)
                throw std::runtime_error("pixel data runs past its block");
            value = value << 1 | ((m_data[m_bit / 8] >> (7 - m_bit % 8)) & 1);
            ++m_bit;
        }
        return value;
    }
    void Align(int unit)
    {
        while (m_bit % 8 != 0)
            if (Get(unit) != 0)
                throw std::runtime_error("stuffing bits are not zero");
    }
    bool AtEnd() const { return m_bit / 8 >= m_size; }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_bit = 0;
};

struct Cursor {
    Pixels& pixels;
    int x = 0;
    int y = 0;
    void Run(size_t count, uint32_t code)
    {
        for (size_t i = 0; i < count; ++i) {
            if (x >= pixels.width || y >= pixels.height)
                throw std::runtime_error("pixels beyond the object");
            pixels.codes[size_t(y) * pixels.width + x++] = uint8_t(code);
        }
    }
};

void TwoBitString(Bits& bits, Cursor& at)
{
    for (;;) {
        if (uint32_t code = bits.Get(2)) {
            at.Run(1, code);
        } else if (bits.Get(1)) { // switch_1
            uint32_t run = bits.Get(3) + 3;
            at.Run(run, bits.Get(2));
        } else if (bits.Get(1)) { // switch_2
            at.Run(1, 0);
        } else {
            switch (bits.Get(2)) { // switch_3
            case 0:
                return;
            case 1:
                at.Run(2, 0);
                break;
            case 2: {
                uint32_t run = bits.Get(4) + 12;
                at.Run(run, bits.Get(2));
                break;
            }
            default: {
                uint32_t run = bits.Get(8) + 29;
                at.Run(run, bits.Get(2));
            }
            }
        }
    }
}

void FourBitString(Bits& bits, Cursor& at)
{
    for (;;) {
        if (uint32_t code = bits.Get(4)) {
            at.Run(1, code);
        } else if (!bits.Get(1)) { // switch_1
            uint32_t run = bits.Get(3);
            if (run == 0)
                return;
            at.Run(run + 2, 0);
        } else if (!bits.Get(1)) { // switch_2
            uint32_t run = bits.Get(2) + 4;
            at.Run(run, bits.Get(4));
        } else {
            switch (bits.Get(2)) { // switch_3
            case 0:
                at.Run(1, 0);
                break;
            case 1:
                at.Run(2, 0);
                break;
            case 2: {
                uint32_t run = bits.Get(4) + 9;
                at.Run(run, bits.Get(4));
                break;
            }
            default: {
                uint32_t run = bits.Get(8) + 25;
                at.Run(run, bits.Get(4));
            }
            }
        }
    }
}

uint16_t Word(const ts::Bytes& bytes, size_t at)
{
    return uint16_t(bytes.at(at) << 8 | bytes.at(at + 1));
}

} // namespace

std::vector<Segment> ReadDisplaySet(const ts::Bytes& payload)
{
    if (payload.size() < 3 || payload[0] != 0x20 || payload[1] != 0x00)
        throw std::runtime_error("not a DVB subtitle PES payload");
    std::vector<Segment> segments;
    size_t at = 2;
    while (payload.at(at) == 0x0F) {
        Segment segment;
        segment.type = payload.at(at + 1);
        segment.pageId = Word(payload, at + 2);
        size_t length = Word(payload, at + 4);
        if (at + 6 + length > payload.size())
            throw std::runtime_error("segment runs past the PES");
        segment.body.assign(payload.begin() + long(at + 6), payload.begin() + long(at + 6 + length));
        segments.push_back(std::move(segment));
        at += 6 + length;
    }
    if (payload.at(at) != 0xFF || at + 1 != payload.size())
        throw std::runtime_error("display set not ended by 0xFF");
    return segments;
}

std::map<std::pair<uint8_t, uint8_t>, Colour> ReadClut(const ts::Bytes& body)
{
    std::map<std::pair<uint8_t, uint8_t>, Colour> entries;
    for (size_t at = 2; at < body.size();) {
        uint8_t id = body.at(at);
        uint8_t flags = body.at(at + 1);
        Colour colour;
        if (flags & 1) {
            colour = { body.at(at + 2), body.at(at + 3), body.at(at + 4), body.at(at + 5) };
            at += 6;
        } else {
            uint16_t word = Word(body, at + 2);
            colour = { uint8_t((word >> 10) << 2), uint8_t((word >> 6 & 0x0F) << 4), uint8_t((word >> 2 & 0x0F) << 4),
                uint8_t((word & 3) << 6) };
            at += 4;
        }
        for (uint8_t depth : { 0x80, 0x40, 0x20 })
            if (flags & depth)
                entries[{ depth, id }] = colour;
    }
    return entries;
}

void DecodeField(const uint8_t* data, size_t size, int firstRow, Pixels& pixels)
{
    Bits bits(data, size);
    Cursor at { pixels, 0, firstRow };
    while (!bits.AtEnd()) {
        switch (bits.Get(8)) {
        case 0x10:
            TwoBitString(bits, at);
            bits.Align(2);
            break;
        case 0x11:
            FourBitString(bits, at);
            bits.Align(4);
            break;
        case 0xF0:
            if (at.x != pixels.width)
                throw std::runtime_error("object line of the wrong width");
            at.x = 0;
            at.y += 2;
            break;
        default:
            throw std::runtime_error("unexpected data type in pixel data");
        }
    }
}

Pixels DecodeObject(const ts::Bytes& body, int width, int height)
{
    if ((body.at(2) >> 2 & 3) != 0)
        throw std::runtime_error("not a pixel-coded object");
    size_t top = Word(body, 3);
    size_t bottom = Word(body, 5);
    if (7 + top + bottom > body.size())
        throw std::runtime_error("field blocks run past the segment");
    Pixels pixels { width, height, std::vector<uint8_t>(size_t(width) * height, 0xEE) };
    DecodeField(&body[7], top, 0, pixels);
    DecodeField(&body[7 + top], bottom, 1, pixels);
    return pixels;
}

} // namespace subtitle_check
