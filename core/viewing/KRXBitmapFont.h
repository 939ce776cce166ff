#pragma once
// A 5 x 7 pixel font for printable ASCII, built in so that the demo's
// subtitles and the on-screen panel need no font files.

class CKRXBitmapFont
{
public:
    static constexpr int GLYPH_WIDTH = 5;
    static constexpr int GLYPH_HEIGHT = 7;

    // Whether the pixel at column x, row y (from the top) of the glyph is set;
    // characters outside printable ASCII draw as '?'.
    static bool IsSet(char c, int x, int y);
};
