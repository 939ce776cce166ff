#include "SubtitleBitmap.h"
#include "viewing/KRXBitmapFont.h"

#include <stdexcept>

SubtitleBitmap::SubtitleBitmap(int width, int height, uint8_t fill)
    : m_width(width)
    , m_height(height)
    , m_codes(size_t(width) * height, fill)
{
    if (width <= 0 || height <= 0)
        throw std::invalid_argument("empty bitmap");
}

SubtitleBitmap SubtitleBitmap::RenderText(
    const std::string& text, int scale, uint8_t textCode, uint8_t outlineCode, uint8_t backgroundCode)
{
    const int advance = (CKRXBitmapFont::GLYPH_WIDTH + 1) * scale;
    const int margin = 2 * scale;
    const int outline = scale / 2 + 1;
    int width = int(text.size()) * advance - scale + 2 * margin;
    int height = CKRXBitmapFont::GLYPH_HEIGHT * scale + 2 * margin;
    SubtitleBitmap bitmap(width, height, backgroundCode);
    auto inGlyph = [&](int x, int y) {
        int cx = x - margin, cy = y - margin;
        if (cx < 0 || cy < 0)
            return false;
        size_t index = size_t(cx / advance);
        return index < text.size() && CKRXBitmapFont::IsSet(text[index], cx % advance / scale, cy / scale);
    };
    auto nearGlyph = [&](int x, int y) {
        for (int dy = -outline; dy <= outline; ++dy)
            for (int dx = -outline; dx <= outline; ++dx)
                if (inGlyph(x + dx, y + dy))
                    return true;
        return false;
    };
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            if (inGlyph(x, y))
                bitmap.Set(x, y, textCode);
            else if (nearGlyph(x, y))
                bitmap.Set(x, y, outlineCode);
        }
    }
    return bitmap;
}
