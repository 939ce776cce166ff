#include "viewing/KRXLogoLayer.h"

#include <algorithm>
#include <cstring>

namespace {
// "Korrix" in 5 x 7 letters, each pixel drawn as a 3 x 3 block.
constexpr int GlyphWidth = 5;
constexpr int GlyphHeight = 7;
constexpr int Scale = 3;
constexpr int Spacing = 1;

struct Glyph {
    char letter;
    const char* rows[GlyphHeight];
};

constexpr Glyph Glyphs[] = {
    { 'K', { "#...#", "#..#.", "#.#..", "##...", "#.#..", "#..#.", "#...#" } },
    { 'o', { ".....", ".....", ".###.", "#...#", "#...#", "#...#", ".###." } },
    { 'r', { ".....", ".....", "#.##.", "##..#", "#....", "#....", "#...." } },
    { 'i', { "..#..", ".....", ".##..", "..#..", "..#..", "..#..", ".###." } },
    { 'x', { ".....", ".....", "#...#", ".#.#.", "..#..", ".#.#.", "#...#" } },
};

const Glyph& FindGlyph(char letter)
{
    return *std::find_if(std::begin(Glyphs), std::end(Glyphs), [letter](const Glyph& g) { return g.letter == letter; });
}
} // namespace

CKRXLogoLayer::CKRXLogoLayer()
    : m_bitmap(Width * Height, 0)
{
    const char text[] = "Korrix";
    const int letters = static_cast<int>(std::strlen(text));
    const int textWidth = (letters * (GlyphWidth + Spacing) - Spacing) * Scale;
    const int left = (Width - textWidth) / 2;
    const int top = (Height - GlyphHeight * Scale) / 2;
    for (int letter = 0; letter < letters; ++letter) {
        const Glyph& glyph = FindGlyph(text[letter]);
        const int glyphLeft = left + letter * (GlyphWidth + Spacing) * Scale;
        for (int y = 0; y < GlyphHeight * Scale; ++y) {
            for (int x = 0; x < GlyphWidth * Scale; ++x) {
                if (glyph.rows[y / Scale][x / Scale] == '#')
                    m_bitmap[(top + y) * Width + glyphLeft + x] = 1;
            }
        }
    }
}

std::vector<unsigned char> CKRXLogoLayer::GetBitmap() const
{
    CSingleLock lock(&m_section, true);
    return m_bitmap;
}

bool CKRXLogoLayer::SetBitmap(const std::vector<unsigned char>& bitmap)
{
    if (bitmap.size() != size_t(Width) * Height)
        return false;
    CSingleLock lock(&m_section, true);
    m_bitmap = bitmap;
    return true;
}

void CKRXLogoLayer::DrawIntoFrame(
    int width, int height, int pitch, unsigned char* Y, unsigned char* /*U*/, unsigned char* /*V*/, int64_t /*time*/)
{
    // A picture smaller than the corner box only gets the part that fits.
    const int rows = std::min(Height, height - Top);
    const int columns = std::min(Width, width - Left);
    CSingleLock lock(&m_section, true);
    for (int r = 0; r < rows; ++r) {
        unsigned char* line = Y + (Top + r) * pitch + Left;
        const unsigned char* mark = m_bitmap.data() + r * Width;
        for (int c = 0; c < columns; ++c)
            line[c]
                = mark[c] != 0 ? static_cast<unsigned char>(line[c] / 2 + 64) : static_cast<unsigned char>(line[c] / 3);
    }
}
