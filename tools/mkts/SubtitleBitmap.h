#pragma once
// A rectangle of pixel codes (indices into a subtitle colour table).
#include <cstdint>
#include <string>
#include <vector>

class SubtitleBitmap
{
public:
    SubtitleBitmap() = default;
    SubtitleBitmap(int width, int height, uint8_t fill = 0);

    // One line of text in the built-in font, each font pixel drawn as a
    // square of scale x scale, in the text code, ringed by the outline code,
    // on a box of the background code with a margin all round.
    static SubtitleBitmap RenderText(
        const std::string& text, int scale, uint8_t textCode, uint8_t outlineCode, uint8_t backgroundCode);

    int Width() const { return m_width; }
    int Height() const { return m_height; }
    uint8_t At(int x, int y) const { return m_codes[size_t(y) * m_width + x]; }
    void Set(int x, int y, uint8_t code) { m_codes[size_t(y) * m_width + x] = code; }
    const uint8_t* Row(int y) const { return &m_codes[size_t(y) * m_width]; }

    bool operator==(const SubtitleBitmap& other) const = default;

private:
    int m_width = 0;
    int m_height = 0;
    std::vector<uint8_t> m_codes;
};
